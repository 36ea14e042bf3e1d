#include "ipcc/application_link.h"

#include <cstdio>
#include <cstring>

#include "callctrl/board/exchange.h"
#include "callctrl/hostmod/host_module.h"
#include "ip_cc.h"
#include "packet/command_reader.h"
#include "trace/cc_trace.h"

namespace vtx::ipcc {
namespace {

constexpr uint32_t kSendWait = 1000;  // ms for the driver to take an event
constexpr uint32_t kTextType = MILL_TYPE_BYTE | (MILL_UNIT_CHAR << MILL_TYPE_UNIT_SHIFT);

bool Tell(VtxLine* line, uint32_t module, uint32_t channel, uint32_t event,
          const MillTagItem* tags) {
  return line != nullptr &&
         callctrl::SendCommandTo(line,
                                 callctrl::ChannelAddress(MILL_FACILITY_IP_CC, module, channel),
                                 MILL_FACILITY_IP_CC, MILL_VERB_EVENT, event, tags, kSendWait);
}

// A party's text tag: the text up to its end (at most the field), with its NUL.
MillTagItem TextTag(uint32_t id, const char (&text)[CIPI_TEXT_SIZE]) {
  const size_t length = strnlen(text, CIPI_TEXT_SIZE - 1);
  return {id, kTextType, static_cast<uint32_t>(length + 1), text};
}

}  // namespace

bool ServeChannel(callctrl::HostModule& host, uint32_t module, uint32_t channel) {
  char name[48];
  snprintf(name, sizeof name, VTX_IP_CC_CHANNEL_NAME, module, channel);
  if (callctrl::OpenDriverEventThread(host, module, channel, name)) return true;
  trace::cc::Trace(trace::cc::kHostModuleTrace, trace::cc::kLevelError,
                   "[%X,%X] The channel's applications cannot be heard: hm=0x%x", module, channel,
                   host.id);
  return false;
}

bool TellSetup(VtxLine* line, uint32_t module, uint32_t channel, const CIPI_CallParties& parties) {
  // The library's texts need not end inside their fields; the tags always do.
  CIPI_CallParties ended = parties;
  ended.calling[CIPI_TEXT_SIZE - 1] = '\0';
  ended.called[CIPI_TEXT_SIZE - 1] = '\0';
  const MillTagItem tags[] = {TextTag(IP_CC_CALLING_NUMBER_VAR, ended.calling),
                              TextTag(IP_CC_CALLED_NUMBER_VAR, ended.called),
                              {0, 0, 0, nullptr}};
  return Tell(line, module, channel, IP_CC_SETUP_IND_EVENT, tags);
}

bool TellConnected(VtxLine* line, uint32_t module, uint32_t channel) {
  return Tell(line, module, channel, IP_CC_CONNECT_EVENT, nullptr);
}

bool TellReleased(VtxLine* line, uint32_t module, uint32_t channel, uint32_t cause) {
  const MillTagItem tags[] = {{IP_CC_CAUSE_VAR, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(cause)},
                              {0, 0, 0, nullptr}};
  return Tell(line, module, channel, IP_CC_RELEASE_EVENT, tags);
}

uint32_t RequestCause(const callctrl::PacketMessage& message) {
  // Once the queue has read the header, the args describe what follows it.
  const MillArgs& args = message.args;
  const bool inside = args.pkt_buf >= message.packet &&
                      args.pkt_buf <= message.packet + sizeof message.packet &&
                      args.pkt_len <= sizeof message.packet - (args.pkt_buf - message.packet);
  const size_t length = inside ? (args.pkt_buf - message.packet) + args.pkt_len : 0;
  packet::PacketReader reader(message.packet, length);
  packet::Command command;
  packet::Tag cause;
  if (reader.Next(command) && command.FindTag(IP_CC_CAUSE_VAR, cause)) {
    return static_cast<uint32_t>(cause.Int());
  }
  return kCauseNormalClearing;
}

}  // namespace vtx::ipcc
