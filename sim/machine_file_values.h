// What every part of the machine description file reader shares: how a problem of the file is
// reported and how a number is read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sim {

// Takes a problem of the file: its line and "expected X, got Y".
using ProblemReport = std::function<void(int line, const std::string& text)>;

// A whole unsigned number in C notation (decimal, 0x hexadecimal, 0 octal) up to `max`; false,
// leaving `out` alone, for anything else (empty, signed, trailing text, too large).
bool ParseNumber(std::string_view text, uint32_t max, uint32_t& out);

// A section name "prefix.N" with N a number up to `max`.
bool NumberedName(std::string_view name, std::string_view prefix, uint32_t max, uint32_t& out);

}  // namespace sim
