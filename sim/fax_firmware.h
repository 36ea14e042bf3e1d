// The FAX facility of a simulated module: the local identifier of each channel (a variable, so
// it is kept per channel like every SET), fax aborts, and the module's font store with its font
// download mode.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "sim/firmware.h"

namespace sim {

class Module;

// FAX variable 0x39: one bit per font in use, font 255 as bit 31.
constexpr uint32_t kFaxFontsInUseVar = 0x39;

// A FINISH XMIT_RCV the module received.
struct FaxAbort {
  uint32_t channel = 0;   // ChannelOf the command
  bool priority = false;  // the packet carried the priority flag
};

struct FaxState {
  std::map<uint32_t, std::vector<uint8_t>> fonts;  // font number (0 to 30, 255) and its bytes
  // RESULT_CODE of the FONT_DL_FINISHED answers: 0 stores the font, 1 to 3 refuse it.
  uint32_t font_result = 0;
  // The download in progress between START and FINISH of the font download mode.
  bool downloading = false;
  uint32_t font_no = 0;
  std::vector<uint8_t> incoming;
  uint32_t data_commands = 0;  // DATA commands of the download in progress or the last one
  std::vector<FaxAbort> aborts;
};

// Installs the FAX handlers into the module's firmware table.
void InstallFaxFirmware(Module& module);

// Marks a font as in use (or no longer) through the module's built-in variable 0x39.
void MarkFontInUse(Module& module, uint32_t font_no, bool in_use);

// The local identifier field last set on a channel, or null.
const FwTag* FaxLocalId(Module& module, uint32_t channel);

}  // namespace sim
