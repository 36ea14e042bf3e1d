// Texts for the result words: a short symbolic name and a one-line description for people.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vtx.h"

namespace vtx::api {

constexpr size_t kStatusNameSize = 31;  // at most 30 characters and the terminator
constexpr size_t kStatusDescriptionSize = 128;

struct StatusText {
  char name[kStatusNameSize];
  char description[kStatusDescriptionSize];
};

// The texts of a result pair; `line` (may be null) supplies the details it keeps of firmware
// errors, error interrupts, interrupt overruns and driver failures.
void FormStatusText(const VtxLine* line, uint32_t status, uint32_t line_status, StatusText* text);

// The text of an error interrupt's code ("Unknown" for a code without one).
const char* FirmwareErrorText(uint32_t code);

// The text of a firmware result code within the error class of the refused operation.
const char* FirmwareResultText(uint32_t error_class, uint32_t code);

// "Firmware detected an error: <text> (<code>)." from the line's firmware error class and code.
void FirmwareErrorReport(const VtxLine* line, char* out, size_t size);

}  // namespace vtx::api
