// The line record: what the library keeps for one attached line or session.
#pragma once

#include <cstdint>

#include "api/settings.h"
#include "vtx.h"

namespace vtx {

struct PendingEntry;

// What the line reset (and the feature information) learns of the firmware behind the line.
struct LineFirmware {
  FirmwareVersion boot_rom_ver{};           // from CHANNEL_RESET_DONE, or the module information
  FirmwareVersion control_proc_ver{};       // from CHANNEL_RESET_DONE
  FirmwareVersion dsp_ver[VTX_MAX_DSPS]{};  // by DSP slot
  int32_t dsp_count = 0;                    // 0 to VTX_MAX_DSPS
  uint8_t capabilities[12] = {};            // capability n is bit n % 8 of byte n / 8
  uint32_t op_in_progress = 0;              // a multi-packet operation under way (kOpFeatureList)
};

// What the telephony information and call switching keep.
struct LineTelephony {
  // The port-type word of each telephony port by port unit, filled by VtxTelephGetInfo.
  static constexpr uint32_t kPortTypeUnits = 60;
  uint32_t port_types[kPortTypeUnits] = {};
};

// The fax family's state.
struct LineFax {
  // Refuses VtxFaxSetLocalId (line_status 3). Set at attach for a line whose destination is the
  // module itself rather than one of its channels: such a line has no fax channel to identify.
  uint8_t refused = 0;
  // Data flow: transfers stop while it is 0. A download sets it to 2 and restores it after.
  uint32_t flow_word = 0;
  bool font_download = false;    // a font download is in progress on the line
  uint32_t saved_flow_word = 0;  // the flow word before it began
};

// Board maintenance: the firmware download under way and the functions that hear of the
// board's notifications, test statuses and signalling states.
struct LineBoard {
  bool fw_download = false;                        // a firmware download is in progress
  uint32_t fw_saved_flow_word = 0;                 // the flow word before it began
  uint32_t fw_dl_type = 0;                         // the type of the download in progress
  VtxBoardTestFunc board_test_func = nullptr;      // kept for later status events
  VtxBoardNotifyFunc board_notify_func = nullptr;  // receives BOARD_NOTIFY events
  uint32_t board_notify_enabled = 0;               // bit n - 1: notification type n is on
  VtxSignalingFunc sig_state_func = nullptr;       // receives SIG_STATE reports
};

// Tone detection: the characters heard, in a ring of 50 bytes that holds 49 (write == read is
// empty), a character pushed back, and the detection settings in force.
struct LineTones {
  static constexpr uint32_t kRing = 50;
  uint8_t ring[kRing] = {};
  uint32_t write = 0;
  uint32_t read = 0;
  int32_t pushed_back = 0;  // 0 none
  uint32_t decode_flag = 0;
  // Call-progress results waiting; the call-progress family takes them.
  uint32_t cp_results = 0;
  int32_t cp_value = 0;  // the last CP_VALUE
};

}  // namespace vtx

struct VtxLine {
  int drv_handle = -1;             // the line's own driver connection
  VtxDriverVersion drv_version{};  // filled by the handshake
  int last_error = 0;              // errno of the line's last failed driver request
  int32_t ordinal = -1;            // channel ordinal, -1 when the line has none
  uint32_t session = 0;            // driver session handle
  uint8_t own_addr[4] = {};        // the session's own address
  uint8_t dest_addr[4] = {};       // the remote (destination) address; byte 0 any-facility
  bool deact_notices = false;      // registered for module deactivation notices
  void* aux_buffer = nullptr;      // the asynchronous frame block, released with tag 17

  // As a notification line: the handle that asynchronous operations name it by, and the lines
  // whose driver request a completion notice to it will finish (guarded by the pending-list lock).
  uint32_t async_handle = 0;
  vtx::PendingEntry* pending_first = nullptr;
  vtx::PendingEntry* pending_last = nullptr;

  // Per-line state, cleared by the line reset.
  uint32_t reset_status = 0;      // flags reported by the line reset and configuration
  uint32_t line_state = 0;        // set by the event hooks and the line reset
  uint32_t saved_line_state = 0;  // the line state to return to once a pending alert is reported
  uint32_t pending_hangup = 0;    // hangup code for the hangup check to report; 0 none, 900 alert
  uint32_t alert_value = 0;       // value of the pending alert

  // The last firmware error report and the details the status texts show.
  char error_message[800] = {};  // ERROR_MESSAGE, terminated
  uint8_t error_data[800] = {};  // ERROR_DATA
  uint32_t error_data_len = 0;   // bytes of error_data in use
  uint32_t fw_error_class = 0;   // family of the operation the firmware refused
  uint32_t fw_error_code = 0;    // the firmware's result code for it
  uint32_t error_interrupt = 0;  // ERROR_VALUE: the code of the error interrupt (hangup 500)
  uint32_t overrun_count = 0;    // interrupt overruns seen (hangup 501)
  bool overrun = false;          // a packet overrun occurred

  vtx::LineConfigState config{};  // the preference file's settings and the country parameters

  // Receiving: the line's own buffer and a packet kept back for the next receive.
  uint8_t receive_buffer[MILL_RECEIVE_BUFFER] = {};
  uint8_t* pending_pkt = nullptr;  // points into the buffer the packet was received in
  uint32_t pending_pkt_len = 0;

  // Asynchronous operations: `nesting` counts the frames on the line's stack (0 for synchronous
  // use); callbacks run with it and `async_depth` 0 and in_callback set.
  uint32_t nesting = 0;
  bool in_callback = false;
  uint32_t async_depth = 0;       // frames of the running asynchronous operation entered so far
  uint32_t stack_top = 0;         // offset in the frame block of the next frame
  void* current_frame = nullptr;  // the frame whose operation runs
  uint32_t notify_handle = 0;     // the notification line of the pending operation

  // Application hooks.
  MillCmdCallback cmd_callback = nullptr;
  MillPageCallback page_callback = nullptr;
  void* page_context = nullptr;
  MillHoldupCallback holdup_callback = nullptr;
  void* holdup_context = nullptr;
  uint32_t call_state = 0;  // set by call control; read by the loop-current hook

  // What the event hooks record until the handlers of the telephony and fax families take over.
  bool play_record_finished = false;   // SPEECH RECORD_FINISHED, PLAYBACK_FINISHED
  uint32_t bytes_processed = 0;        // their byte count (BYTES_PROCESSED)
  uint32_t bytes_second = 0;           // their second count (tag 0x48)
  bool speech_active = false;          // VAD speech started / ended
  bool tone_pattern_finished = false;  // SIG_GEN TONE_PAT_FINISHED
  bool fax_page_done = false;          // FAX PAGE_COMPLETE
  bool fax_confirmed = false;          // FAX CONFIRMATION
  uint32_t fax_confirmation = 0;       // its CONF_VAL
  uint8_t holdup_flags = 0;            // 0x80: a kind 7 holdup was seen
  uint8_t holdup_mcf_fsk = 0;          // T30H_RCV_MCF_FSK of the last holdup
  // The fax parameters a T30_CONTINUE answer to a page holdup carries.
  uint8_t fax_can_xmit = 0, fax_can_rcv = 0, fax_page_res = 0, fax_page_width = 0;
  uint32_t fax_page_type = 0;

  vtx::LineFirmware firmware{};    // what the line reset learnt of the firmware
  vtx::LineTelephony telephony{};  // the telephony information
  vtx::LineFax fax{};              // the fax family's state
  vtx::LineBoard board{};          // board maintenance
  vtx::LineTones tones{};          // tone detection
};

namespace vtx {

constexpr uint32_t kOpFeatureList = 2;     // op_in_progress: a feature enumeration
constexpr uint32_t kCapFeatureQuery = 82;  // the firmware answers feature queries

inline bool HasCapability(const VtxLine* line, uint32_t n) {
  return n < 96 && (line->firmware.capabilities[n / 8] & (1u << (n % 8))) != 0;
}
inline void SetCapability(VtxLine* line, uint32_t n) {
  if (n < 96) line->firmware.capabilities[n / 8] |= static_cast<uint8_t>(1u << (n % 8));
}

}  // namespace vtx
