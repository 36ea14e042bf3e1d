// The API trace log: one process-wide log that every part of the library writes into.
// A message at level N is written when the level mask AND N is non-zero.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "vtx.h"

namespace vtx::trace {

// Level bits of a message.
constexpr uint32_t kLevelReset = 0x1;   // resets and truncated packets
constexpr uint32_t kLevelPacket = 0x2;  // packet contents and line events
constexpr uint32_t kLevelInfo = 0x4;
constexpr uint32_t kLevelError = 0x8;
constexpr uint32_t kLevelWarning = 0xC;  // shown with either information or errors
constexpr uint32_t kLevelAlways = 0xFFFFFFFF;

// Function-debug option bits.
constexpr uint32_t kFuncCalls = 0x1;   // "Called" and "Return" lines
constexpr uint32_t kFuncDetail = 0x2;  // with arguments and results

// A message at `level`, formatted printf-style, prefixed with the timestamp and the line's
// ordinal and address (or "[0,0]" without a line).
void Message(const VtxLine* line, uint32_t level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void MessageV(const VtxLine* line, uint32_t level, const char* format, va_list args);

// The "Called" line of an operation; `format` (may be null) describes its arguments.
void CallEntry(const VtxLine* line, const char* name, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// The "Return" line; `record` (may be null) is the argument record whose result words are shown,
// `format` (may be null) its returned values.
void CallReturn(const VtxLine* line, const char* name, const void* record, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// The request-failure report: "ioctl %s: %s" with the request's name and strerror(errno), written
// with every level enabled for that one line (so even with a mask of 0). errno is preserved.
void RequestFailure(const VtxLine* line, const char* request_name);

// Direction of a traced packet.
enum class Direction { kSent, kReceived };

// The packet lines of a packet the host sends or receives (with the trace mask not 0): one line
// per command at level 2, "%s%s %s" with the direction (">" sent, "<" received), "+" for a
// priority packet and the decoded command; "%s TRUNC" at level 1 when the packet ends before a
// command is complete. `bytes` is the whole packet, header included, `length` its size.
void Packet(const VtxLine* line, const uint8_t* bytes, size_t length, Direction direction);

// Installs a new level mask and returns the previous one.
uint32_t ExchangeMask(uint32_t mask);
uint32_t Mask();
void SetFunctionOptions(uint32_t options);
uint32_t FunctionOptions();

// Where lines go: an application function receives each line's text; null restores standard
// output. Any open trace file is closed.
using LineSink = VtxTraceFunc;
void InstallFunction(LineSink sink);

// Applies a trace-control record in this process (VtxDebugControl without the distribution bit,
// the `debug` and `debug_options` keywords of the preference file, the DEBUG_CONTROL command):
// writes its result words and returns 0, or -1 on failure.
int ApplyControl(VtxDebugControlArgs* args);

}  // namespace vtx::trace
