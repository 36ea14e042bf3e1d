#include "callctrl/board_type.h"

#include <cstring>

namespace vtx::callctrl {

BoardType BoardTypeFromName(const char* name) {
  static constexpr struct {
    const char* part;
    BoardType type;
  } kNames[] = {{"ORMSBY", kBoardOrmsby},  {"HALVARD", kBoardHalvard}, {"GANTRY", kBoardGantry},
                {"CORBEL", kBoardCorbel},  {"LINTEL", kBoardLintel},   {"TRUSS", kBoardTruss},
                {"VIRTUAL", kBoardVirtual}};
  for (const auto& entry : kNames) {
    if (strstr(name, entry.part) != nullptr) return entry.type;
  }
  return kBoardUnknown;
}

BoardType WithBusInterface(BoardType type, uint32_t port0_type) {
  if (port0_type == 0) return type;
  if (type == kBoardOrmsby) return kBoardOrmsbyBus;
  if (type == kBoardHalvard) return kBoardHalvardBus;
  return type;
}

}  // namespace vtx::callctrl
