// The call-control trace: messages of the call-control framework, each of a category and a
// level, written to the call-control trace file (trace/cc_file.h), standard output and the API
// trace log by the category's settings. Trace control (VtxDebugControl and the DEBUG_CONTROL
// command) and the call-control configuration write the settings.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

#include "vtx.h"

namespace vtx::trace::cc {

// Categories ("kinds") of call-control trace messages.
enum Category : int {
  kApiTrace = 0,
  kL3L4Trace = 1,
  kL4L3Trace = 2,
  kInternalTrace = 3,
  kHostModuleTrace = 4,
  kIpStackTrace = 5,
  kCategoryCount = 6,
};

// Levels within a category.
constexpr int32_t kLevelError = 1;
constexpr int32_t kLevelWarning = 2;
constexpr int32_t kLevelBasic = 3;
constexpr int32_t kLevelVerbose = 4;

// Output flag bits of a category.
constexpr uint32_t kToStdout = 0x1;
constexpr uint32_t kToFile = 0x2;
constexpr uint32_t kToApiLog = 0x4;

struct CategorySetting {
  int32_t level;
  uint32_t flags;
};

// Writes one message "ECC <text>" (at most 1023 characters). It is copied into the API trace
// log when the category has kToApiLog or a line is given (level 1 at the error level; otherwise
// category 0 at the reset level, 1 and 2 at the packet level, 3 at the information level), even
// when the category is not enabled. Enabled, it goes to standard output and to the trace file
// as "<timestamp> <line prefix><message>" by the category's flags. A null format writes nothing.
void Trace(int category, int32_t level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void TraceLine(const VtxLine* line, int category, int32_t level, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
void TraceV(const VtxLine* line, int category, int32_t level, const char* format, va_list args);

// Categories of 6 and more are ignored (and read as level 0, no output).
void SetCategory(int category, int32_t level, uint32_t flags);
CategorySetting GetCategory(int category);
// True when the category's level is at least `level` and it has any output.
bool CategoryEnabled(int category, int32_t level);

// What trace control sets: the category's level, written to the trace file.
void SetCategoryLevel(int category, int32_t level);
// Sets the trace file `name` (a numbered series when more than one file is allowed) and
// remembers it; null closes the file and forgets the name. False when it cannot be opened.
bool SetTraceFile(const char* name);
// The name last set.
std::string TraceFile();

// Applies the call-control bits of a trace-control record: bits 0x10 to 0x200 set categories
// 0 to 5 to `level`; bit 0x400 with a name that differs from the one last set this way stores
// it and sets the trace file from it.
void ApplyControl(uint32_t options, uint32_t level, const char* file);

}  // namespace vtx::trace::cc
