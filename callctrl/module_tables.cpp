#include "callctrl/module_tables.h"

#include <ace/Init_ACE.h>

#include <cstring>
#include <mutex>

#include "callctrl/board/board_module.h"

namespace vtx::callctrl {
namespace {

BoardModuleEntry g_board[kBoardModuleSlots];
HostModule* g_host[kHostModuleSlots] = {};
std::once_flag g_ace_started;

void FreeChannels(BoardModuleEntry& entry) {
  delete[] entry.channels;
  entry.channels = nullptr;
}

}  // namespace

void ResetModuleTables() {
  for (auto& entry : g_board) {
    FreeChannels(entry);
    entry = BoardModuleEntry{};
  }
  for (auto& host : g_host) host = nullptr;
  std::call_once(g_ace_started, [] { ACE::init(); });
}

BoardModuleEntry& BoardModuleAt(uint32_t number) {
  return g_board[number % kBoardModuleSlots];
}

HostModule*& HostModuleAt(uint32_t number) {
  return g_host[number % kHostModuleSlots];
}

void PublishBoardModule(uint32_t number, BoardModule* module) {
  BoardModuleEntry& entry = BoardModuleAt(number);
  FreeChannels(entry);
  entry.module = module;
  memcpy(entry.address, module->address, 4);
  entry.board_type = module->board_type;
  entry.channel_count = module->channel_count;
  entry.channels = new uint8_t[static_cast<size_t>(module->channel_count) * kChannelEntryBytes]();
  entry.set_api = module->record.set_api;
}

void StopBoardModules() {
  for (auto& entry : g_board) {
    if (entry.module != nullptr) {
      StopModule(*entry.module);
      delete entry.module;
    }
    FreeChannels(entry);
    entry = BoardModuleEntry{};
  }
}

}  // namespace vtx::callctrl
