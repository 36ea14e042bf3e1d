#include "portcc/port_object.h"

#include "common.h"
#include "ecc.h"
#include "trace/cc_trace.h"

namespace vtx::portcc {
namespace {

namespace cc = trace::cc;

// The board's answer to a port message: which type, and whether it was kept.
bool ReportMessageDone(uint32_t module, uint32_t port, const packet::Command& command) {
  packet::Tag tag;
  const int32_t type = command.FindTag(ECC_PORT_MESSAGE_TYPE_VAR, tag) ? tag.Int() : -1;
  const int32_t result = command.FindTag(COMMON_RESULT_CODE_VAR, tag) ? tag.Int() : 0;
  if (result != 0) {
    cc::Trace(cc::kInternalTrace, cc::kLevelError,
              "Module %X, Port %d, ERROR : port message type %d refused by the board (result %d)",
              module, static_cast<int>(port), type, result);
  } else {
    cc::Trace(cc::kInternalTrace, cc::kLevelVerbose,
              "Module %X, Port %d, port message type %d accepted", module, static_cast<int>(port),
              type);
  }
  return true;
}

}  // namespace

PortObject::PortObject(int32_t port_config, uint32_t channels)
    : port_config_(port_config), fixed_channels_(channels) {}

bool PortObject::Initialise(const callctrl::CcInit& init) {
  const auto* port = std::get_if<callctrl::PortInit>(&init);
  if (port == nullptr || port->port == nullptr) return false;
  init_ = *port;
  channel_count_ = fixed_channels_ == kInitialisedCount ? port->channel_count : fixed_channels_;
  return Prepare();
}

bool PortObject::Start() {
  cc::Trace(cc::kInternalTrace, cc::kLevelVerbose, "Module %X, Port %d, started, %u channels",
            init_.module_number, static_cast<int>(init_.port_index), channel_count_);
  return true;
}

void PortObject::Shutdown() {
  cc::Trace(cc::kInternalTrace, cc::kLevelVerbose, "Module %X, Port %d, shut down",
            init_.module_number, static_cast<int>(init_.port_index));
}

bool PortObject::OnPacket(const callctrl::CcPacket& packet) {
  const packet::Command& command = packet.command;
  if (command.facility == MILL_FACILITY_ECC && command.verb == MILL_VERB_EVENT &&
      command.code == ECC_PORT_MESSAGE_DONE_EVENT) {
    return ReportMessageDone(init_.module_number, init_.port_index, command);
  }
  cc::Trace(cc::kInternalTrace, cc::kLevelVerbose,
            "Module %X, Port %d, received facility 0x%X verb %u code 0x%X", init_.module_number,
            static_cast<int>(init_.port_index), command.facility, command.verb, command.code);
  return true;
}

bool PortObject::OnTimer(uint32_t context) {
  cc::Trace(cc::kInternalTrace, cc::kLevelVerbose, "Module %X, Port %d, timer 0x%X expired",
            init_.module_number, static_cast<int>(init_.port_index), context);
  return true;
}

bool PortObject::OnLibraryEvent(const callctrl::CcLibraryEvent&) {
  // Ports are driven by the board alone: a host module library never addresses them.
  cc::Trace(cc::kInternalTrace, cc::kLevelWarning,
            "Module %X, Port %d, library event ignored: ports have no host module library",
            init_.module_number, static_cast<int>(init_.port_index));
  return true;
}

}  // namespace vtx::portcc
