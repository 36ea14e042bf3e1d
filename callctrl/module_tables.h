// The process's tables of started modules: board modules by module number (2..127) with what
// the framework keeps beside each, and host modules by host module number (1..9). Written only
// under the init lock.
#pragma once

#include <cstdint>

namespace vtx::callctrl {

struct BoardModule;
struct HostModule;

constexpr uint32_t kBoardModuleSlots = 128;
constexpr uint32_t kFirstBoardModule = 2;
constexpr uint32_t kHostModuleSlots = 10;

struct BoardModuleEntry {
  BoardModule* module = nullptr;
  uint8_t address[4] = {};
  uint32_t board_type = 0;
  uint8_t* channels = nullptr;  // 16 zeroed bytes per channel
  uint32_t channel_count = 0;
  int32_t set_api = 0;
};

// Clears both tables (stopping nothing: the modules of a failed start are already stopped). The
// first call in the process starts ACE.
void ResetModuleTables();
BoardModuleEntry& BoardModuleAt(uint32_t number);
HostModule*& HostModuleAt(uint32_t number);
// Publishes a started module with a fresh zeroed channel table.
void PublishBoardModule(uint32_t number, BoardModule* module);
// Stops and frees every started board module and empties its entry.
void StopBoardModules();

}  // namespace vtx::callctrl
