#include "trace/cc_trace.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "api/line.h"
#include "os/file.h"
#include "trace/api_log.h"
#include "trace/cc_file.h"
#include "trace/timestamp.h"

namespace vtx::trace::cc {
namespace {

// Read without the lock by every message.
std::atomic<int32_t> g_levels[kCategoryCount] = {};
std::atomic<uint32_t> g_flags[kCategoryCount] = {};

// Guarded by the trace lock.
std::string g_trace_file;
// The name last set through trace control, up to 255 characters.
std::string g_control_file;
constexpr size_t kControlFileMax = 255;

constexpr size_t kMessageMax = 1023;

// The API trace level a message is copied at, 0 for none.
uint32_t ApiLevel(int category, int32_t level) {
  if (level == kLevelError) return trace::kLevelError;
  switch (category) {
    case kApiTrace:
      return trace::kLevelReset;
    case kL3L4Trace:
    case kL4L3Trace:
      return trace::kLevelPacket;
    case kInternalTrace:
      return trace::kLevelInfo;
    default:
      return 0;
  }
}

}  // namespace

void SetCategory(int category, int32_t level, uint32_t flags) {
  if (category < 0 || category >= kCategoryCount) return;
  g_levels[category].store(level, std::memory_order_relaxed);
  g_flags[category].store(flags, std::memory_order_relaxed);
}

CategorySetting GetCategory(int category) {
  if (category < 0 || category >= kCategoryCount) return CategorySetting{0, 0};
  return CategorySetting{g_levels[category].load(std::memory_order_relaxed),
                         g_flags[category].load(std::memory_order_relaxed)};
}

bool CategoryEnabled(int category, int32_t level) {
  CategorySetting setting = GetCategory(category);
  return setting.level >= level && setting.flags != 0;
}

void SetCategoryLevel(int category, int32_t level) {
  SetCategory(category, level, kToFile);
}

bool SetTraceFile(const char* name) {
  std::lock_guard<std::recursive_mutex> hold(TraceMutex());
  g_trace_file = name != nullptr ? name : "";
  return OpenSeries(name);
}

std::string TraceFile() {
  std::lock_guard<std::recursive_mutex> hold(TraceMutex());
  return g_trace_file;
}

void ApplyControl(uint32_t options, uint32_t level, const char* file) {
  for (int category = 0; category < kCategoryCount; ++category) {
    if ((options & (VTX_DEBUG_CC_API << category)) != 0) {
      SetCategoryLevel(category, static_cast<int32_t>(level));
    }
  }
  if ((options & VTX_DEBUG_CC_FILE) == 0 || file == nullptr) return;
  std::lock_guard<std::recursive_mutex> hold(TraceMutex());
  std::string name = std::string(file).substr(0, kControlFileMax);
  if (name == g_control_file) return;
  g_control_file = name;
  SetTraceFile(name.c_str());
}

void TraceV(const VtxLine* line, int category, int32_t level, const char* format, va_list args) {
  if (format == nullptr) return;
  // "<timestamp> <line prefix>ECC <text>\n", the message part at most 1023 characters.
  char text[kTimestampLength + 32 + kMessageMax + 2];
  size_t used = FormatTimestamp(text);
  text[used++] = ' ';
  if (line != nullptr) {
    used += static_cast<size_t>(snprintf(text + used, sizeof text - used, "[%X,%X] ",
                                         line->dest_addr[2], line->dest_addr[1]));
  }
  char* message = text + used;
  memcpy(message, "ECC ", 4);
  const int n = vsnprintf(message + 4, kMessageMax + 1 - 4, format, args);
  size_t message_length = 4 + (n > 0 ? std::min(static_cast<size_t>(n), kMessageMax - 4) : 0);
  message[message_length] = '\0';

  const CategorySetting setting = GetCategory(category);
  if ((setting.flags & kToApiLog) != 0 || line != nullptr) {
    const uint32_t api_level = ApiLevel(category, level);
    if (api_level != 0) Message(line, api_level, "%s", message);
  }
  if (!CategoryEnabled(category, level)) return;
  used += message_length;
  text[used++] = '\n';
  if ((setting.flags & kToStdout) != 0) os::FileWriteThrough(stdout, text, used);
  if ((setting.flags & kToFile) != 0) WriteToFile(text, used);
}

void Trace(int category, int32_t level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  TraceV(nullptr, category, level, format, args);
  va_end(args);
}

void TraceLine(const VtxLine* line, int category, int32_t level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  TraceV(line, category, level, format, args);
  va_end(args);
}

}  // namespace vtx::trace::cc
