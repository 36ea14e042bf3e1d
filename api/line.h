// The line record: what the library keeps for one attached line or session.
#pragma once

#include <cstdint>

#include "lineconfig/settings.h"
#include "vtx.h"

struct VtxLine {
  int drv_handle = -1;             // the line's own driver connection
  VtxDriverVersion drv_version{};  // filled by the handshake
  int last_error = 0;              // errno of the line's last failed driver request
  int32_t ordinal = -1;            // channel ordinal, -1 when the line has none
  uint32_t session = 0;            // driver session handle
  uint8_t own_addr[4] = {};        // the session's own address
  uint8_t dest_addr[4] = {};       // the remote (destination) address

  // Per-line state, cleared by the line reset.
  uint32_t reset_status = 0;      // flags reported by the line reset and configuration
  uint32_t line_state = 0;        // set by the event hooks and the line reset
  uint32_t saved_line_state = 0;  // the line state to return to once a pending alert is reported
  uint32_t pending_hangup = 0;    // hangup code for the hangup check to report; 0 none, 900 alert
  uint32_t alert_value = 0;       // value of the pending alert

  // The last firmware error report and the details the status texts show.
  int32_t error_value = 0;       // ERROR_VALUE of the report
  char error_message[800] = {};  // ERROR_MESSAGE, terminated
  uint8_t error_data[800] = {};  // ERROR_DATA
  uint32_t error_data_len = 0;   // bytes of error_data in use
  uint32_t fw_error_class = 0;   // family of the operation the firmware refused
  uint32_t fw_error_code = 0;    // the firmware's result code for it
  uint32_t error_interrupt = 0;  // code of the last error interrupt (hangup 500)
  uint32_t overrun_count = 0;    // interrupt overruns seen (hangup 501)
  bool overrun = false;          // a packet overrun occurred

  vtx::LineConfigState config{};  // the preference file's settings and the country parameters
};
