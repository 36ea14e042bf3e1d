// The framework's own packet exchanges on a module's administration line: a command sent to any
// address (the host controller's name registry, the module's facilities, another process's
// session), and the wait for one particular answer within a time limit. Answers are read as
// they are, without the application's event processing.
#pragma once

#include <cstdint>

#include "packet/command_reader.h"
#include "vtx.h"

namespace vtx::callctrl {

constexpr uint32_t kAnyCommandCode = 0xFFFFFFFF;
constexpr uint32_t kWaitForever = 0xFFFFFFFF;

// The address of `facility` on module `module` itself (kind 1) or on its channel `unit` (kind 2).
struct Address {
  uint8_t bytes[4];
};
Address ModuleAddress(uint32_t facility, uint32_t module);
Address ChannelAddress(uint32_t facility, uint32_t module, uint32_t unit);
// The machine's host controller, which keeps the board name registry.
Address HostControllerAddress();

// Forms one command (tags ended by an id 0, or null) and sends it to `dest` from the line's own
// address (its facility byte naming `facility`), waiting at most `timeout_ms` for the driver to
// take it: true when sent.
bool SendCommandTo(VtxLine* line, const Address& dest, uint32_t facility, uint32_t verb,
                   uint32_t code, const MillTagItem* tags, uint32_t timeout_ms = kWaitForever);

// A received command and the packet it sits in.
struct Received {
  uint8_t packet[MILL_RECEIVE_BUFFER];
  uint32_t length = 0;
  packet::Command command;
};

// Receives packets for up to `timeout_ms` until one holds a command of `facility` and `verb`
// (and `code`, unless kAnyCommandCode): true with it in `out`; false on time-out or a failed
// receive. Other commands are passed over.
bool AwaitCommand(VtxLine* line, uint32_t facility, uint32_t verb, uint32_t code,
                  uint32_t timeout_ms, Received& out);

// Receives one packet, waiting up to `timeout_ms`: 1 received into `out` (its command not yet
// chosen), 0 timed out, -1 the receive failed (result words in `failure`).
int ReceivePacket(VtxLine* line, uint32_t timeout_ms, Received& out, VtxResult* failure);

}  // namespace vtx::callctrl
