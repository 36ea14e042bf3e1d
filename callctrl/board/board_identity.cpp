#include "callctrl/board/board_identity.h"

#include <cstring>

#include "api/address_mode.h"
#include "api/line.h"
#include "callctrl/board/exchange.h"
#include "callctrl/board/master_election.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

using trace::cc::kInternalTrace;
using trace::cc::kLevelError;

constexpr uint32_t kFirmwareNotLoaded = 1;  // the module state of a board without firmware
constexpr int32_t kClockInternal = 0;
constexpr int32_t kClockTrunkA = 1;
constexpr int32_t kClockTrunkH = 8;

// The module name of the information record as 8-bit text.
void NameText(const VtxModuleInfoArgs& info, char* out, size_t size) {
  size_t i = 0;
  for (; i + 1 < size && i < sizeof info.name / sizeof info.name[0] && info.name[i] != 0; ++i) {
    out[i] = info.name[i] < 0x80 ? static_cast<char>(info.name[i]) : '?';
  }
  out[i] = '\0';
}

bool QueryInfo(VtxLine* line, uint32_t module_number, VtxModuleInfoArgs& info) {
  info = VtxModuleInfoArgs{};
  info.mod_num = module_number;
  return VtxModuleInfo(line, &info) == 0;
}

// Reads the telephony hardware list: the words of ports 0..8 by port index (a trunk's also into
// its port record), the count of those ports in `ports`. With `port0_only` the walk ends at port 0.
// False on an error.
bool ReadPorts(BoardModule& module, bool port0_only, uint32_t& ports) {
  VtxTelephArgs args{};
  ports = 0;
  for (;;) {
    const int step = VtxTelephGetInfo(module.admin, &args);
    if (step < 0) {
      trace::cc::Trace(kInternalTrace, kLevelError, "Unable to get telephony info. module 0x%X",
                       module.module_number);
      return false;
    }
    if (step == 0) return true;
    if (args.src_port_unit == 0) {
      module.port_types[0] = args.port_type;
      module.port0_typed = args.port_type != 0;
    }
    if (port0_only) {
      if (args.src_port_unit != 0) continue;
      // The rest of the list is not needed: end the walk.
      while (VtxTelephGetInfo(module.admin, &args) == 1) {
      }
      return true;
    }
    const uint32_t index = args.src_port_unit;
    if (index < kMaxPorts) {
      module.port_types[index] = args.port_type;
      if (index > 0)
        module.record.ports[index - 1].port_type = static_cast<int32_t>(args.port_type);
      ++ports;
    }
  }
}

}  // namespace

void RefineBoardType(BoardModule& module) {
  const BoardType refined =
      WithBusInterface(static_cast<BoardType>(module.board_type), module.port_types[0]);
  if (refined == kBoardHalvardBus && module.board_type != kBoardHalvardBus) {
    int32_t& source = module.record.clock_source;
    if (source >= kClockTrunkA && source <= kClockTrunkH) source = kClockInternal;
  }
  module.board_type = refined;
}

bool ModulePresent(uint32_t module_number) {
  VtxModuleInfoArgs info;
  return QueryInfo(nullptr, module_number, info) && info.exists != 0 && info.hardware != 0;
}

bool ModuleExists(uint32_t module_number) {
  VtxLine* session = AttachModuleSession(module_number, 0);
  if (session == nullptr) {
    trace::cc::Trace(kInternalTrace, kLevelError,
                     "Unable to open handle to driver module 0x%X, skipping...", module_number);
    return false;
  }
  VtxModuleInfoArgs info;
  const bool exists =
      QueryInfo(session, module_number, info) && info.exists != 0 && info.hardware != 0;
  DetachLine(session);
  if (!exists)
    trace::cc::Trace(kInternalTrace, kLevelError, "Module %X does not exist", module_number);
  return exists;
}

bool QueryCapabilities(BoardModule& module) {
  const uint32_t number = module.module_number;
  VtxModuleInfoArgs info;
  if (QueryInfo(module.admin, number, info) && info.hw_info == kFirmwareNotLoaded) {
    trace::cc::Trace(kInternalTrace, kLevelError, "Firmware not loaded module 0x%X", number);
    DetachLine(module.admin);
    module.admin = nullptr;
    return false;
  }
  char name[sizeof info.name / sizeof info.name[0] + 1];
  if (!QueryInfo(module.admin, number, info)) return false;
  NameText(info, name, sizeof name);
  module.board_type = BoardTypeFromName(name);
  if (module.board_type == kBoardUnknown) {
    trace::cc::Trace(kInternalTrace, kLevelError, "Unable to identify board type, module 0x%X",
                     number);
    return false;
  }
  module.channel_count = info.num_channels;
  module.first_channel = kFirstChannel;
  uint32_t ports = 0;
  if (module.in_other_process) {
    if (module.board_type != kBoardOrmsby && module.board_type != kBoardHalvard) return true;
    if (!ReadPorts(module, true, ports)) return false;
  } else {
    for (int i = 0; i < 4; ++i) module.address[i] = module.admin->dest_addr[i] & AddressByteMask();
    delete[] module.channel_table;
    module.channel_table =
        new uint8_t[static_cast<size_t>(module.channel_count) * kChannelEntryBytes]();
    if (!ReadPorts(module, false, ports)) return false;
    module.port_count = ports;
    VtxLineArgs reset{};
    reset.config_file_name = module.record.user_preference_file;
    reset.skip_teleph = 1;  // this is the framework's own line: it starts nothing again
    VtxLineReset(module.admin, &reset);
  }
  RefineBoardType(module);
  return true;
}

}  // namespace vtx::callctrl
