#include "callctrl/board_type.h"

#include <cstring>

namespace vtx::callctrl {
namespace {

constexpr struct {
  const char* part;
  BoardType type;
} kNames[] = {{"ORMSBY", kBoardOrmsby},  {"HALVARD", kBoardHalvard}, {"GANTRY", kBoardGantry},
              {"CORBEL", kBoardCorbel},  {"LINTEL", kBoardLintel},   {"TRUSS", kBoardTruss},
              {"VIRTUAL", kBoardVirtual}};

}  // namespace

BoardType BoardTypeFromName(const char* name) {
  for (const auto& entry : kNames) {
    if (strstr(name, entry.part) != nullptr) return entry.type;
  }
  return kBoardUnknown;
}

const char* BoardTypeName(uint32_t type) {
  if (type == kBoardOrmsbyBus) return "ORMSBY with bus interface";
  if (type == kBoardHalvardBus) return "HALVARD with bus interface";
  for (const auto& entry : kNames) {
    if (entry.type == type) return entry.part;
  }
  return "unknown";
}

BoardType WithBusInterface(BoardType type, uint32_t port0_type) {
  if (port0_type == 0) return type;
  if (type == kBoardOrmsby) return kBoardOrmsbyBus;
  if (type == kBoardHalvard) return kBoardHalvardBus;
  return type;
}

}  // namespace vtx::callctrl
