// A board module's event dispatch: the module's event thread receives every packet on the
// module's administration line and hands it here; each command goes to the port object it
// concerns.
//
// - A timer alert (HOST_CTRL EVENT ALERT carrying CHANNEL) goes to the timer entry of the port
//   CHANNEL names, with its CONTEXT_ID.
// - Everything else from a channel goes to the packet entry of the port of that channel (port
//   index + 2), board notifications included.
// - A board notification from the module itself concerns the whole board: every port gets it.
// - A command for a channel or port without a port object is traced and dropped; other commands
//   from the module itself are not the ports' business.
//
// A packet that cannot be read, or a port entry that reports it could not talk to the board, is
// a dispatch failure: the event thread reports "Communication with board failed, module 0x%X"
// and stops.
#pragma once

#include <cstdint>

#include "callctrl/cc_object.h"
#include "vtx.h"

namespace vtx::portcc {

class ModuleDispatcher {
 public:
  // Dispatches to the port objects in slots 0..9 of `slots`, which the module keeps.
  ModuleDispatcher(uint32_t module_number, const callctrl::CcSlots& slots);

  // One received packet; false on a dispatch failure.
  bool Dispatch(const uint8_t* packet, uint32_t length);

  enum class Outcome { kDispatched, kIdle, kFailed };
  // Waits up to `timeout_ms` for a packet on `admin_line` and dispatches it: kIdle when none came,
  // kFailed (traced) when receiving or dispatching failed.
  Outcome ReceiveAndDispatch(VtxLine* admin_line, uint32_t timeout_ms);

 private:
  callctrl::CallControlObject* Port(uint32_t index) const;
  bool ToChannel(const callctrl::CcPacket& packet);
  bool ToTimer(const packet::Command& command);
  bool ToEveryPort(const callctrl::CcPacket& packet);
  bool DispatchCommand(const callctrl::CcPacket& packet);

  uint32_t module_number_;
  const callctrl::CcSlots& slots_;
  uint8_t buffer_[MILL_RECEIVE_BUFFER] = {};
};

}  // namespace vtx::portcc
