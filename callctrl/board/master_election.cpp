#include "callctrl/board/master_election.h"

#include <cstdio>
#include <cstring>

#include "api/address_mode.h"
#include "api/line.h"
#include "callctrl/board/exchange.h"
#include "common.h"
#include "ecc.h"
#include "hostctrl.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

using trace::cc::kInternalTrace;
using trace::cc::kLevelError;
using trace::cc::kLevelWarning;

constexpr uint32_t kTextType = MILL_TYPE_BYTE | (MILL_UNIT_CHAR << MILL_TYPE_UNIT_SHIFT);

uint32_t AddressTagType() {
  return FullByteAddressMode() ? MILL_TYPE_BYTE : MILL_TYPE_BYTE | MILL_TYPE_EXT;
}

struct ModuleName {
  char text[32];
  explicit ModuleName(uint32_t module) {
    snprintf(text, sizeof text, "ECC_FACILITY_MODULE_%x", module);
  }
  uint32_t size() const { return static_cast<uint32_t>(strlen(text) + 1); }
};

// The registry's answer to a request: its event code (0 when none came in time) and, for a
// RETURN_STATUS, its result code.
struct RegistryAnswer {
  uint32_t code = 0;
  int32_t result = -1;
};

RegistryAnswer AskRegistry(VtxLine* line, uint32_t code, const MillTagItem* tags) {
  RegistryAnswer answer;
  if (!SendCommandTo(line, HostControllerAddress(), MILL_FACILITY_HOST_CTRL, MILL_VERB_REQUEST,
                     code, tags, kRegistryWait)) {
    return answer;
  }
  Received reply;
  if (!AwaitCommand(line, MILL_FACILITY_HOST_CTRL, MILL_VERB_EVENT, kAnyCommandCode, kRegistryWait,
                    reply)) {
    return answer;
  }
  answer.code = reply.command.code;
  packet::Tag result;
  if (reply.command.FindTag(COMMON_RESULT_CODE_VAR, result)) answer.result = result.Int();
  return answer;
}

// The 4-byte address of a tag, masked; false when the command has none.
bool AddressOf(const packet::Command& command, uint32_t id, Address& out) {
  packet::Tag tag;
  if (!command.FindTag(id, tag) || tag.data_len != 4) return false;
  for (int i = 0; i < 4; ++i) out.bytes[i] = tag.data[i] & AddressByteMask();
  return true;
}

}  // namespace

bool RegisterSessionName(VtxLine* line, const char* name) {
  const MillTagItem tags[] = {
      {HOST_CTRL_NAME_VAR, kTextType, static_cast<uint32_t>(strlen(name) + 1), name},
      {HOST_CTRL_SESSION_ADDRESS_VAR, AddressTagType(), 4, line->own_addr},
      {0, 0, 0, nullptr}};
  const RegistryAnswer answer = AskRegistry(line, HOST_CTRL_NAME_ADD_REQUEST, tags);
  return answer.code == HOST_CTRL_RETURN_STATUS_EVENT && answer.result == 0;
}

VtxLine* AttachModuleSession(uint32_t module_number, uint32_t facility) {
  VtxLineArgs args{};
  const Address address = ModuleAddress(facility, module_number);
  memcpy(args.dest_addr, address.bytes, 4);
  return VtxSessionAttach(&args);
}

void DetachLine(VtxLine* line) {
  if (line == nullptr) return;
  VtxLineArgs args{};
  VtxLineDetach(line, &args);
}

bool OpenAdministration(BoardModule& module) {
  const uint32_t number = module.module_number;
  module.in_other_process = false;
  VtxLine* query = AttachModuleSession(number, MILL_FACILITY_ECC);
  if (query == nullptr) {
    trace::cc::Trace(kInternalTrace, kLevelError,
                     "Unable to create session to query ECC module name, module 0x%X", number);
    return false;
  }
  const ModuleName name(number);
  const MillTagItem tags[] = {{HOST_CTRL_NAME_VAR, kTextType, name.size(), name.text},
                              {0, 0, 0, nullptr}};
  switch (AskRegistry(query, HOST_CTRL_NAME_GET_FIRST_REQUEST, tags).code) {
    case HOST_CTRL_RETURN_STATUS_EVENT: {  // not registered: this process is master
      DetachLine(query);
      VtxLine* admin = AttachModuleSession(number, MILL_FACILITY_ECC);
      if (admin == nullptr || !RegisterSessionName(admin, name.text)) {
        trace::cc::Trace(kInternalTrace, kLevelError,
                         "Unable to register ECC module name (1), module 0x%X", number);
        DetachLine(admin);
        return false;
      }
      module.admin = admin;
      return true;
    }
    case HOST_CTRL_NAME_FOUND_EVENT:
      module.in_other_process = true;
      module.admin = query;
      return true;
    default:
      trace::cc::Trace(kInternalTrace, kLevelError, "Unable to query ECC module name, module 0x%X",
                       number);
      DetachLine(query);
      return false;
  }
}

bool ConnectToMaster(BoardModule& module) {
  const uint32_t number = module.module_number;
  const Address own = ModuleAddress(MILL_FACILITY_ECC, number);
  const MillTagItem tags[] = {
      {ECC_MODULE_ADDRESS_VAR, AddressTagType(), 4, own.bytes},
      {ECC_SESSION_ADDRESS_VAR, AddressTagType(), 4, module.admin->own_addr},
      {0, 0, 0, nullptr}};
  if (!SendCommandTo(module.admin, own, MILL_FACILITY_ECC, MILL_VERB_REQUEST,
                     ECC_SLAVE_CONNECT_REQUEST, tags, kMasterWait)) {
    trace::cc::Trace(kInternalTrace, kLevelWarning,
                     "Unable to send to master module 0x%X, skipping...", number);
    return false;
  }
  for (;;) {
    Received packet;
    if (ReceivePacket(module.admin, kMasterWait, packet, nullptr) != 1) {
      trace::cc::Trace(kInternalTrace, kLevelWarning,
                       "Timeout waiting for master response module 0x%X, skipping...", number);
      return false;
    }
    packet::PacketReader reader(packet.packet, packet.length);
    packet::Command command;
    while (reader.Next(command)) {
      if (command.facility == MILL_FACILITY_ECC && command.verb == MILL_VERB_EVENT &&
          command.code == ECC_MASTER_READY_EVENT) {
        return true;
      }
    }
  }
}

void AnswerSlave(BoardModule& module, const packet::Command& connect) {
  Address slave{};
  const Address own = ModuleAddress(MILL_FACILITY_ECC, module.module_number);
  const MillTagItem tags[] = {
      {ECC_MODULE_ADDRESS_VAR, AddressTagType(), 4, own.bytes},
      {ECC_SESSION_ADDRESS_VAR, AddressTagType(), 4, module.admin->own_addr},
      {0, 0, 0, nullptr}};
  if (!AddressOf(connect, ECC_SESSION_ADDRESS_VAR, slave) ||
      !SendCommandTo(module.admin, slave, MILL_FACILITY_ECC, MILL_VERB_EVENT,
                     ECC_MASTER_READY_EVENT, tags, kMasterWait)) {
    trace::cc::Trace(kInternalTrace, kLevelWarning, "Unable to send id to slave module 0x%X.",
                     module.module_number);
  }
}

}  // namespace vtx::callctrl
