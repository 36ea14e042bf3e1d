#include "tools/tarrow/ip_answer.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "callctrl/board/board_module.h"
#include "callctrl/module_tables.h"
#include "ip_cc.h"

namespace tarrow {
namespace {

namespace cc = vtx::callctrl;

constexpr uint8_t kChannelKind = 2;
constexpr uint32_t kSendWait = 1000;

// The text of a tag, at most its data.
std::string TagText(const MillArgs& tag) {
  const auto* text = reinterpret_cast<const char*>(tag.tag_data_ptr);
  return std::string(text, strnlen(text, tag.tag_data_len));
}

uint32_t TagNumber(const MillArgs& tag) {
  MillArgs value = tag;
  value.value_ptr = tag.tag_data_ptr;
  value.value_len = tag.tag_data_len;
  return MillGetFixed(&value);
}

}  // namespace

IpAnswerer::~IpAnswerer() {
  for (const Channel& channel : channels_) {
    VtxLineArgs detach{};
    VtxLineDetach(channel.line, &detach);
  }
}

size_t IpAnswerer::Attach() {
  for (uint32_t number = cc::kFirstBoardModule; number < cc::kBoardModuleSlots; ++number) {
    const cc::BoardModule* module = cc::BoardModuleAt(number).module;
    if (module == nullptr || module->in_other_process) continue;
    // The module's IP channels are numbered on across its host_cc entries.
    uint32_t first = 0;
    for (uint32_t slot = cc::kIpBaseSlot; slot < cc::kCcSlots; ++slot) {
      const cc::CallControlObject* object = module->objects[slot].get();
      const uint32_t count = object != nullptr ? object->ChannelCount() : 0;
      for (uint32_t channel = first; channel < first + count; ++channel) {
        VtxLineArgs attach{};
        const uint8_t address[4] = {MILL_FACILITY_IP_CC, kChannelKind, static_cast<uint8_t>(number),
                                    static_cast<uint8_t>(channel)};
        memcpy(attach.dest_addr, address, 4);
        attach.present = 1;
        VtxLine* line = VtxSessionAttach(&attach);
        if (line == nullptr) {
          printf("No line to IP channel %u of module 0x%X: its calls are not answered\n", channel,
                 number);
          continue;
        }
        channels_.push_back({number, channel, line});
      }
      if (count > 0) {
        printf("Answering the IP calls of module 0x%X, channels %u to %u\n", number, first,
               first + count - 1);
      }
      first += count;
    }
  }
  fflush(stdout);
  return channels_.size();
}

void IpAnswerer::Poll() {
  uint8_t buffer[MILL_RECEIVE_BUFFER];
  for (const Channel& channel : channels_) {
    MillArgs received{};
    received.pkt_buf = buffer;
    received.pkt_len = sizeof buffer;
    received.timeout = 0;
    while (MillReceivePkt(channel.line, &received) == 1) {
      Handle(channel, received);
      received = MillArgs{};
      received.pkt_buf = buffer;
      received.pkt_len = sizeof buffer;
    }
  }
  fflush(stdout);
}

void IpAnswerer::Handle(const Channel& channel, MillArgs& received) {
  if (MillGetCmd(&received) != 1 || MillParseCmd(&received) < 0 ||
      received.facility != MILL_FACILITY_IP_CC || received.verb != MILL_VERB_EVENT) {
    return;
  }
  const uint32_t event = received.code;
  std::string calling, called;
  uint32_t cause = 0;
  while (MillGetTag(&received) == 1) {
    if (received.tag_id == IP_CC_CALLING_NUMBER_VAR) calling = TagText(received);
    if (received.tag_id == IP_CC_CALLED_NUMBER_VAR) called = TagText(received);
    if (received.tag_id == IP_CC_CAUSE_VAR) cause = TagNumber(received);
  }
  const char* where = "IP channel";
  switch (event) {
    case IP_CC_SETUP_IND_EVENT: {
      printf("%s %u of module 0x%X: call from %s to %s offered, answering\n", where,
             channel.channel, channel.module, calling.c_str(), called.c_str());
      MillArgs answer{};
      answer.facility = MILL_FACILITY_IP_CC;
      answer.verb = MILL_VERB_REQUEST;
      answer.code = IP_CC_CONNECT_REQUEST;
      answer.timeout = kSendWait;
      const MillTagItem none[] = {{0, 0, 0, nullptr}};
      if ((MillFormSendCmd(channel.line, &answer, none) & MILL_SEND_SENT) == 0) {
        printf("%s %u of module 0x%X: the answer could not be sent (status %u/%u)\n", where,
               channel.channel, channel.module, answer.status, answer.line_status);
      }
      break;
    }
    case IP_CC_CONNECT_EVENT:
      printf("%s %u of module 0x%X: call connected\n", where, channel.channel, channel.module);
      break;
    case IP_CC_RELEASE_EVENT:
      printf("%s %u of module 0x%X: call released, cause %u\n", where, channel.channel,
             channel.module, cause);
      break;
    default:
      break;
  }
}

}  // namespace tarrow
