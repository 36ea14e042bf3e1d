#include "trace/api_log.h"

#include <sys/time.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>

#include "api/line.h"

namespace vtx::trace {
namespace {

std::atomic<uint32_t> g_mask{0};
std::atomic<uint32_t> g_function_options{0};
std::mutex g_output_lock;
LineSink g_sink = nullptr;

constexpr size_t kLineBufferSize = 16 * 1024;

// "%02d/%02d %02d:%02d:%02d.%02d": month, day, hours, minutes, seconds, hundredths.
size_t FormatPrefix(const VtxLine* line, char* out, size_t size) {
  timeval now{};
  gettimeofday(&now, nullptr);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  int n = snprintf(out, size, "%02d/%02d %02d:%02d:%02d.%02d ", local.tm_mon + 1, local.tm_mday,
                   local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(now.tv_usec / 10000));
  if (line == nullptr) {
    n += snprintf(out + n, size - n, "[0,0] ");
  } else {
    if (line->ordinal >= 0) n += snprintf(out + n, size - n, "%d", line->ordinal);
    n += snprintf(out + n, size - n, "[%X,%X] ", line->dest_addr[2], line->dest_addr[1]);
  }
  return static_cast<size_t>(n);
}

void Emit(const char* text) {
  std::lock_guard<std::mutex> hold(g_output_lock);
  if (g_sink != nullptr) {
    g_sink(text);
    return;
  }
  fputs(text, stdout);
  fputc('\n', stdout);
  fflush(stdout);
}

void WriteLine(const VtxLine* line, const char* format, va_list args) {
  char text[kLineBufferSize];
  size_t used = FormatPrefix(line, text, sizeof text);
  vsnprintf(text + used, sizeof text - used, format, args);
  Emit(text);
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
  uint32_t options = g_function_options.load(std::memory_order_relaxed);
  if (g_mask.load(std::memory_order_relaxed) == 0 || (options & kFuncCalls) == 0) return;
  if ((options & kFuncDetail) == 0) {
    Message(line, kLevelAlways, "%s: Called", name);
    return;
  }
  // The argument format becomes part of the line's own format.
  std::string line_format = std::string(name) + ": Called (" + (format ? format : "") + ")";
  va_list args;
  va_start(args, format);
  MessageV(line, kLevelAlways, line_format.c_str(), args);
  va_end(args);
}

void CallReturn(const VtxLine* line, const char* name, const void* record, const char* format,
                ...) {
  uint32_t options = g_function_options.load(std::memory_order_relaxed);
  if (g_mask.load(std::memory_order_relaxed) == 0 || (options & kFuncCalls) == 0) return;
  if ((options & kFuncDetail) == 0) {
    Message(line, kLevelAlways, "%s: Return", name);
    return;
  }
  std::string results;
  if (record != nullptr) {
    VtxResult words;
    memcpy(&words, record, sizeof words);
    char text[64];
    snprintf(text, sizeof text, "res.status=%u,res.line_status=%u", words.status,
             words.line_status);
    results = text;
  }
  // The result text is data, not format: its '%' signs are escaped.
  std::string escaped;
  for (char c : results) {
    escaped += c;
    if (c == '%') escaped += '%';
  }
  std::string inner = format ? format : "";
  if (!inner.empty() && !escaped.empty()) inner += ",";
  inner += escaped;
  std::string line_format = std::string(name) + ": Return (" + inner + ")";
  va_list args;
  va_start(args, format);
  MessageV(line, kLevelAlways, line_format.c_str(), args);
  va_end(args);
}

void RequestFailure(const VtxLine* line, const char* request_name) {
  int error = errno;
  uint32_t saved = ExchangeMask(kLevelAlways);
  Message(line, kLevelAlways, "ioctl %s: %s", request_name, strerror(error));
  ExchangeMask(saved);
  errno = error;
}

uint32_t ExchangeMask(uint32_t mask) { return g_mask.exchange(mask); }
uint32_t Mask() { return g_mask.load(); }
void SetFunctionOptions(uint32_t options) { g_function_options.store(options); }
uint32_t FunctionOptions() { return g_function_options.load(); }

void InstallFunction(LineSink sink) {
  std::lock_guard<std::mutex> hold(g_output_lock);
  g_sink = sink;
}

}  // namespace vtx::trace
