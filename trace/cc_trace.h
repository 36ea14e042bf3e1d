// Settings of the call-control trace: each category's level and output flags, and the trace
// file. Trace control (VtxDebugControl and the DEBUG_CONTROL command) and the call-control
// configuration write them; the call-control trace writer reads them.
#pragma once

#include <cstdint>
#include <string>

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

// Categories of 6 and more are ignored (and read as level 0, no output).
void SetCategory(int category, int32_t level, uint32_t flags);
CategorySetting GetCategory(int category);
// True when the category's level is at least `level` and it has any output.
bool CategoryEnabled(int category, int32_t level);

// What trace control sets: the category's level, written to the trace file.
void SetCategoryLevel(int category, int32_t level);
// Asks for the trace file `name`; the writer opens it. Null forgets the name.
void SetTraceFile(const char* name);
std::string TraceFile();

// Applies the call-control bits of a trace-control record: bits 0x10 to 0x200 set categories
// 0 to 5 to `level`; bit 0x400 with a name that differs from the one last set this way stores
// it and sets the trace file from it.
void ApplyControl(uint32_t options, uint32_t level, const char* file);

}  // namespace vtx::trace::cc
