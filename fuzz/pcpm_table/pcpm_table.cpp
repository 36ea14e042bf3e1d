// Arbitrary bytes as the text of a PCPM table file, parsed in memory: every tone it yields is
// within the bounds the loader promises.
#include "callctrl/telephony/pcpm_table.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<vtx::callctrl::PcpmTone> tones;
  size_t messages = 0;
  const uint32_t error =
      vtx::callctrl::ParsePcpmTable("fuzz.pcpm", reinterpret_cast<const char*>(data), size, tones,
                                    [&messages](const std::string& message) {
                                      if (message.rfind("fuzz.pcpm:", 0) != 0) abort();
                                      ++messages;
                                    });
  if ((error == 0) != (messages == 0) || (error == 0) == tones.empty()) abort();
  if (tones.size() > vtx::callctrl::kMaxPcpmTones) abort();
  for (const auto& tone : tones) {
    if (tone.id == 0 || tone.steps == 0 || tone.steps > vtx::callctrl::kMaxCadenceSteps ||
        tone.frequency[0] < 200 || tone.frequency[0] > 3400 || tone.frequency[1] > 3400) {
      abort();
    }
  }
  return 0;
}
