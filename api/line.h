// The line record: what the library keeps for one attached line or session.
#pragma once

#include <cstdint>

#include "vtx.h"

struct VtxLine {
  int drv_handle = -1;             // the line's own driver connection
  VtxDriverVersion drv_version{};  // filled by the handshake
  int last_error = 0;              // errno of the line's last failed driver request
  int32_t ordinal = -1;            // channel ordinal, -1 when the line has none
  uint32_t session = 0;            // driver session handle
  uint8_t own_addr[4] = {};        // the session's own address
  uint8_t dest_addr[4] = {};       // the remote (destination) address
};
