// The type of a board module, from the board name its module information reports. Types 7 and
// 8 are an ORMSBY and a HALVARD whose bus interface reported a port type, which start-up tells
// once it has read the telephony information.
#pragma once

#include <cstdint>

namespace vtx::callctrl {

enum BoardType : uint32_t {
  kBoardUnknown = 0,
  kBoardGantry = 1,
  kBoardCorbel = 2,
  kBoardOrmsby = 3,
  kBoardHalvard = 4,
  kBoardLintel = 5,
  kBoardTruss = 6,
  kBoardOrmsbyBus = 7,
  kBoardHalvardBus = 8,
  kBoardVirtual = 9,
};

// The first of ORMSBY, HALVARD, GANTRY, CORBEL, LINTEL, TRUSS and VIRTUAL that the name contains
// decides; kBoardUnknown when it contains none.
BoardType BoardTypeFromName(const char* name);

// The name of a board type for people; "unknown" for none.
const char* BoardTypeName(uint32_t type);

// An ORMSBY or a HALVARD whose bus interface (port 0) reported a non-zero port-type word.
BoardType WithBusInterface(BoardType type, uint32_t port0_type);

}  // namespace vtx::callctrl
