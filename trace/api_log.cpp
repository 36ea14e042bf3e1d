#include "trace/api_log.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "api/line.h"
#include "trace/output.h"
#include "trace/timestamp.h"

namespace vtx::trace {
namespace {

std::atomic<uint32_t> g_mask{0};
std::atomic<uint32_t> g_function_options{0};

// The whole line, prefix included, is built in a buffer of 16 KiB; a longer message is cut.
// One byte more holds the line end written to streams.
constexpr size_t kLineBufferSize = 16 * 1024;

// The timestamp and a blank, then the line's ordinal when it has one and "[%X,%X] " with the
// third and second byte of its destination address, or "[0,0] " without a line.
size_t FormatPrefix(const VtxLine* line, char* out, size_t size) {
  char* p = out + FormatTimestamp(out);
  *p++ = ' ';
  size_t used = static_cast<size_t>(p - out);
  if (line == nullptr) {
    memcpy(p, "[0,0] ", 7);
    return used + 6;
  }
  int n = line->ordinal >= 0 ? snprintf(p, size - used, "%d", line->ordinal) : 0;
  n += snprintf(p + n, size - used - n, "[%X,%X] ", line->dest_addr[2], line->dest_addr[1]);
  return used + static_cast<size_t>(n);
}

void WriteLine(const VtxLine* line, const char* format, va_list args) {
  char text[kLineBufferSize + 1];
  size_t used = FormatPrefix(line, text, kLineBufferSize);
  int n = vsnprintf(text + used, kLineBufferSize - used, format, args);
  if (n > 0) {
    used = std::min(used + static_cast<size_t>(n), kLineBufferSize - 1);
  } else {
    text[used] = '\0';  // nothing formatted, or a format the C library refused
  }
  Emit(text, used);
}

void WriteAlways(const VtxLine* line, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
void WriteAlways(const VtxLine* line, const char* format, ...) {
  va_list args;
  va_start(args, format);
  WriteLine(line, format, args);
  va_end(args);
}

bool CallLinesWanted(uint32_t* options) {
  *options = g_function_options.load(std::memory_order_relaxed);
  return g_mask.load(std::memory_order_relaxed) != 0 && (*options & kFuncCalls) != 0;
}

// Text that becomes part of a line's format: its '%' signs are doubled.
std::string FormatLiteral(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    escaped += c;
    if (c == '%') escaped += '%';
  }
  return escaped;
}

}  // namespace

void MessageV(const VtxLine* line, uint32_t level, const char* format, va_list args) {
  if ((g_mask.load(std::memory_order_relaxed) & level) == 0) return;
  WriteLine(line, format, args);
}

void Message(const VtxLine* line, uint32_t level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  MessageV(line, level, format, args);
  va_end(args);
}

void CallEntry(const VtxLine* line, const char* name, const char* format, ...) {
  uint32_t options;
  if (!CallLinesWanted(&options)) return;
  if ((options & kFuncDetail) == 0) {
    Message(line, kLevelAlways, "%s: Called", name);
    return;
  }
  // The argument format becomes part of the line's own format.
  std::string line_format = FormatLiteral(name) + ": Called (" + (format ? format : "") + ")";
  va_list args;
  va_start(args, format);
  MessageV(line, kLevelAlways, line_format.c_str(), args);
  va_end(args);
}

void CallReturn(const VtxLine* line, const char* name, const void* record, const char* format,
                ...) {
  uint32_t options;
  if (!CallLinesWanted(&options)) return;
  if ((options & kFuncDetail) == 0) {
    Message(line, kLevelAlways, "%s: Return", name);
    return;
  }
  std::string inner = format ? format : "";
  if (record != nullptr) {
    VtxResult words;
    memcpy(&words, record, sizeof words);
    char results[64];
    snprintf(results, sizeof results, "res.status=%u,res.line_status=%u", words.status,
             words.line_status);
    if (!inner.empty()) inner += ",";
    inner += FormatLiteral(results);
  }
  std::string line_format = FormatLiteral(name) + ": Return (" + inner + ")";
  va_list args;
  va_start(args, format);
  MessageV(line, kLevelAlways, line_format.c_str(), args);
  va_end(args);
}

// Written whatever the mask is, rather than by opening the mask around it, so that a mask change
// made by another thread meanwhile is neither lost nor applied to this line.
void RequestFailure(const VtxLine* line, const char* request_name) {
  int error = errno;
  WriteAlways(line, "ioctl %s: %s", request_name, strerror(error));
  errno = error;
}

uint32_t ExchangeMask(uint32_t mask) {
  return g_mask.exchange(mask);
}
uint32_t Mask() {
  return g_mask.load();
}
void SetFunctionOptions(uint32_t options) {
  g_function_options.store(options);
}
uint32_t FunctionOptions() {
  return g_function_options.load();
}

void InstallFunction(LineSink sink) {
  TraceLock hold;
  InstallFunctionLocked(sink);
}

}  // namespace vtx::trace
