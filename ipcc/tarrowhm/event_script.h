// tarrowhm's event script: a text file of events that the library reports one after another,
// each after its delay, as if a far end produced them. One event a line:
//
//   DELAY_MS  EVENT  CALL  [ARGUMENTS]
//
//   0    call_offered    1  1000 2000      calling and called number
//   100  call_connected  1
//   500  call_released   1  16             cause
//   50   media_offer     1  T38MaxBitRate:14400 T38FaxRateManagement:transferredTCF
//   50   media_selected  1  T38MaxBitRate:9600        (T.38 media, attributes NAME:VALUE)
//   50   media_offer     1  @198.51.100.7:40000 T38MaxBitRate:9600   (with the far end's address)
//
// DELAY_MS counts from the event before (the first from the library's open), CALL is the call's
// identifier (1 or more). Blank lines and lines starting with "#" are skipped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarrowhm {

constexpr uint32_t kMaxDelayMs = 3600000;
constexpr size_t kMaxScriptLine = 1024;

struct ScriptEvent {
  uint32_t delay_ms = 0;
  std::vector<uint8_t> record;  // CIPI_EventHeader and its data
};

// One line: 1 an event in `out`, 0 nothing to do (blank or comment), -1 a bad line (`error`
// says why).
int ParseScriptLine(const std::string& line, ScriptEvent& out, std::string& error);

// The events of a script file in order; each bad line gives "FILE:LINE: why" in `errors` and is
// skipped. False when the file does not open.
bool ReadScript(const char* path, std::vector<ScriptEvent>& events,
                std::vector<std::string>& errors);

}  // namespace tarrowhm
