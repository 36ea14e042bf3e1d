// The PCPM table file: the call-progress tones a board's detector is to know, one text line
// each:
//
//   # comment
//   tone ID FREQ1 FREQ2 ON OFF [ON OFF ...]
//
// ID 1 to 255, each once; FREQ1 and FREQ2 in Hz from 200 to 3400 (FREQ2 0 for a single tone);
// one to four cadence steps of ON and OFF in ms from 0 to 10000 (0 0 for a steady tone). At most
// 32 tones; a file without any is refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vtx::callctrl {

constexpr size_t kMaxPcpmTones = 32;
constexpr size_t kMaxCadenceSteps = 4;

struct PcpmTone {
  uint16_t id = 0;
  uint16_t frequency[2] = {};
  uint16_t steps = 0;                          // cadence steps in use
  uint16_t on_off[2 * kMaxCadenceSteps] = {};  // on, off, on, off ...
};

using PcpmReport = std::function<void(const std::string& message)>;

// Reads the table from `text` (`size` bytes) of the file `file_name`: 0, or EINVAL when the
// table is empty or any line is wrong. Every problem is told through `report` as
// "FILE:LINE: expected X, got Y" (line 0 for the file as a whole).
uint32_t ParsePcpmTable(const char* file_name, const char* text, size_t size,
                        std::vector<PcpmTone>& tones, const PcpmReport& report);

// Reads the file: the system's error number when it cannot be read, else as ParsePcpmTable.
uint32_t ReadPcpmTable(const char* file_name, std::vector<PcpmTone>& tones,
                       const PcpmReport& report);

}  // namespace vtx::callctrl
