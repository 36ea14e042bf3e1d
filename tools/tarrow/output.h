// What a run of tarrow tells: its errors, each once, as "tarrow COMMAND: TEXT" on standard error,
// or with --json as {"error": {...}} on standard output; its JSON output, every object of it
// beginning with "simulated"; and the end of the run, where a failed write to standard output
// turns into exit status 1 with the system's error.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "vtx.h"

namespace tarrow {

// Keys stay in the order they were written.
using Json = nlohmann::ordered_json;

// The run's command and whether it was asked for JSON (--json before any "--").
void BeginRun(const std::string& command, bool json);
bool JsonWanted();

// The command's error: said on standard error, and kept for the JSON error object. `status` and
// `line_status` are the result words behind it (0 when there are none).
void Error(const std::string& message, uint32_t status = 0, uint32_t line_status = 0);

// The text of result words (`line` may be null), as the Device Details page shows them.
std::string ResultText(const VtxLine* line, uint32_t status, uint32_t line_status);
// Error("WHAT: TEXT") with the result words and their text.
void ResultError(const std::string& what, const VtxLine* line, uint32_t status,
                 uint32_t line_status);

// Writes `object` (a JSON object) to standard output with "simulated" as its first key.
void PrintJson(const Json& object);

// The exit status of the run: `status`, after the JSON error object when the command failed with
// --json and wrote no JSON; 1 when standard output could not be written, said on standard error.
int EndRun(int status);

}  // namespace tarrow
