// The board maintenance side of a simulated module: what it does with firmware images, its
// board state and temperature, its board test and the signalling state of its trunk time slots.
// The machine file's [module.N/maintenance] section and the tests set it up.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "sim/firmware.h"

namespace sim {

class Module;

// An image's first line may name the firmware version it carries:
//   TARROW FIRMWARE MAJOR.MIDDLE.MINOR.BUILD [DATE [COMMENT]]
// A good image that names one becomes the module's control-processor version.
constexpr char kImageVersionMark[] = "TARROW FIRMWARE ";

// Firmware download results the simulated module gives.
constexpr uint32_t kImageCrcError = 5;
constexpr uint32_t kImageResetNeeded = 11;
constexpr uint32_t kImageMiscError = 1;  // a FINISH without a START ("Bad type")

struct FirmwareDownloadState {
  // Set up by the machine file.
  bool check_crc = true;            // the last four bytes must be the CRC-32 (little-endian) of the
                                    // rest, else the download ends with 5 "CRC error"
  bool control_proc_reset = false;  // a good control-processor image (type 2) answers 11
  // Set by a test: every download ends with this result when it is not 0.
  uint32_t forced_result = 0;

  // The download under way, and after it ends the image it brought.
  bool downloading = false;
  bool type_given = false;  // the START named type and destination
  uint32_t type = 0;
  uint32_t dest = 0;
  std::vector<uint8_t> image;
  uint32_t data_commands = 0;
  uint32_t installed = 0;  // images that ended well
};

struct BoardTestState {
  uint32_t failure_mask = 0;  // tests (bits of the test mask) that report a failure
  uint32_t runs = 0;          // BOARD_TEST starts received
};

// A trunk time slot: unit, stream, slot.
using SlotKey = std::tuple<uint32_t, uint32_t, uint32_t>;

struct SignalingState {
  // Incoming state of each slot; a slot without one reads 0.
  std::map<SlotKey, uint32_t> incoming;
  // Starting a monitor reports the slot's incoming state at once (a test turns it off).
  bool report_on_start = true;
  // The far end follows every state set (the trunk is looped back), reporting the change to a
  // monitor of the same slot.
  bool looped_back = true;
  uint32_t set_result = 0;               // SIGNALING_DONE's RESULT_CODE (a test sets it)
  std::map<SlotKey, uint32_t> monitors;  // monitored slots and the session watching each
  struct Set {
    SlotKey slot;
    int32_t state_0 = 0;
    uint32_t duration_0 = 0;
    int32_t state_1 = 0;
  };
  std::vector<Set> sets;  // every SIGNALING request, in order
};

struct Maintenance {
  FirmwareDownloadState download;
  BoardTestState test;
  SignalingState signaling;
};

// The temperature BOARD_TEMP reads, in degrees Celsius.
void SetBoardTemperature(Module& module, int32_t celsius);

// The handlers of each part: the firmware download mode (sim/download_firmware.cpp), the board
// test and temperature (board_firmware.cpp), the signalling state (signaling_firmware.cpp).
void InstallDownloadFirmware(Module& module);
void InstallBoardFirmware(Module& module);
void InstallSignalingFirmware(Module& module);

}  // namespace sim
