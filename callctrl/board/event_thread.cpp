#include "callctrl/board/event_thread.h"

#include <ace/Thread_Manager.h>

#include <cstring>

#include "admin.h"
#include "api/address_mode.h"
#include "api/line.h"
#include "callctrl/board/exchange.h"
#include "callctrl/board/master_election.h"
#include "callctrl/cc_registry.h"
#include "ecc.h"
#include "hostctrl.h"
#include "isdn.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

using trace::cc::kInternalTrace;
using trace::cc::kLevelBasic;
using trace::cc::kLevelError;

constexpr uint8_t kExpectedIsdn[3] = {64, 0, 7};  // 7.0.64, lowest byte first
constexpr uint32_t kIsdnInterfaceVersion = 3;
constexpr uint32_t kBooleanByte = MILL_TYPE_BYTE | (MILL_UNIT_BOOLEAN << MILL_TYPE_UNIT_SHIFT);
constexpr uint32_t kNotifyTypePorts = 1;
constexpr uint32_t kNotifyTypePortsEnd = 2;
constexpr uint32_t kNotifyTypeIp = 6;
constexpr uint32_t kNotifyChannel = 1;

// Sends one command to the module's `facility` (on channel `unit` when not 0) and waits for the
// EVENT `reply`: true when it came.
bool Exchange(BoardModule& module, uint32_t facility, uint32_t unit, uint32_t verb, uint32_t code,
              const MillTagItem* tags, uint32_t send_limit, uint32_t reply, Received& answer) {
  const Address to = unit == 0 ? ModuleAddress(facility, module.module_number)
                               : ChannelAddress(facility, module.module_number, unit);
  return SendCommandTo(module.admin, to, facility, verb, code, tags, send_limit) &&
         AwaitCommand(module.admin, facility, MILL_VERB_EVENT, reply, kFirmwareWait, answer);
}

bool NotifyExchange(BoardModule& module, uint32_t verb, uint32_t type, uint32_t reply) {
  const MillTagItem tags[] = {
      {ADMIN_BOARD_NOTIFY_TYPE_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(type)}, {0, 0, 0, nullptr}};
  Received answer;
  return Exchange(module, MILL_FACILITY_ADMIN, kNotifyChannel, verb, ADMIN_BOARD_NOTIFY_MODE, tags,
                  kFirmwareWait, reply, answer);
}

void ShutdownObjects(BoardModule& module) {
  for (auto& object : module.objects) {
    if (object != nullptr) object->Shutdown();
  }
}

// What the thread does before the module counts as started: false when it cannot run.
bool Prepare(BoardModule& module) {
  if (module.port_cc && !CheckIsdnVersion(module)) return false;
  StartBoardNotify(module);
  for (auto& object : module.objects) {
    if (object != nullptr && !object->Start()) return false;
  }
  return true;
}

// One received packet: a slave's connect is answered here, everything else goes to the objects.
bool Handle(BoardModule& module, const Received& packet) {
  packet::PacketReader reader(packet.packet, packet.length);
  packet::Command command;
  if (reader.Next(command) && command.facility == MILL_FACILITY_ECC &&
      command.verb == MILL_VERB_REQUEST && command.code == ECC_SLAVE_CONNECT_REQUEST) {
    AnswerSlave(module, command);
    return true;
  }
  return DispatchPacket(module.module_number, module.objects, packet.packet, packet.length);
}

ACE_THR_FUNC_RETURN EventThread(void* argument) {
  BoardModule& module = *static_cast<BoardModule*>(argument);
  if (!Prepare(module)) {
    module.stop = true;
    module.started.signal();
  } else {
    module.started.signal();
    while (!module.stop) {
      Received packet;
      VtxResult failure{};
      const int received = ReceivePacket(module.admin, kEventWait, packet, &failure);
      if (module.stop) break;
      if (received == 0) continue;
      if (received < 0 || !Handle(module, packet)) {
        trace::cc::Trace(kInternalTrace, kLevelError,
                         "Communication with board failed, module 0x%X", module.module_number);
        module.stop = true;
      }
    }
  }
  StopBoardNotify(module);
  ShutdownObjects(module);
  return 0;
}

}  // namespace

bool CheckIsdnVersion(BoardModule& module) {
  if (module.version_checked) return true;
  const uint32_t number = module.module_number;
  Received answer;
  if (!Exchange(module, MILL_FACILITY_ISDN, 0, MILL_VERB_REQUEST, ISDN_RESET_REQUEST, nullptr,
                kWaitForever, ISDN_RESET_EVENT, answer)) {
    return false;
  }
  const MillTagItem tags[] = {
      {ISDN_ENDIAN_VAR, kBooleanByte, 0, MILL_TAG_VALUE(0)},
      {ISDN_VERSION_VAR, MILL_TYPE_BYTE, 3, kExpectedIsdn},
      {ISDN_INTERFACE_VERSION_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(kIsdnInterfaceVersion)},
      {0, 0, 0, nullptr}};
  packet::Tag version;
  if (!Exchange(module, MILL_FACILITY_ISDN, 0, MILL_VERB_START, ISDN_CONTROL_TXRX_MODE, tags,
                kWaitForever, ISDN_CONTROL_TXRX_STARTED_EVENT, answer) ||
      !answer.command.FindTag(ISDN_VERSION_VAR, version) || version.data_len < 3) {
    return false;
  }
  memcpy(module.isdn_version, version.data, 3);
  const uint8_t* v = module.isdn_version;
  trace::cc::Trace(kInternalTrace, kLevelBasic, "Module 0x%X, ISDN Firmware Version %d.%d.%d",
                   number, v[2], v[1], v[0]);
  if (memcmp(v, kExpectedIsdn, 3) != 0) {
    trace::cc::Trace(kInternalTrace, kLevelError,
                     "Module 0x%X, ISDN Firmware Version Mismatch. Expected %d.%d.%d, found "
                     "%d.%d.%d",
                     number, kExpectedIsdn[2], kExpectedIsdn[1], kExpectedIsdn[0], v[2], v[1],
                     v[0]);
    Exchange(module, MILL_FACILITY_ISDN, 0, MILL_VERB_REQUEST, ISDN_RESET_REQUEST, nullptr,
             kIsdnStopWait, ISDN_CONTROL_TXRX_FINISHED_EVENT, answer);
    return false;
  }
  module.version_checked = true;
  return true;
}

void StartBoardNotify(BoardModule& module) {
  if (module.notify_started) return;
  module.notify_started = true;
  if (module.port_cc) {
    module.notify_kind = kNotifyPorts;
    NotifyExchange(module, MILL_VERB_START, kNotifyTypePorts, ADMIN_BOARD_NOTIFY_STARTED_EVENT);
  } else if (module.ip_cc) {
    module.notify_kind = kNotifyIp;
    NotifyExchange(module, MILL_VERB_START, kNotifyTypeIp, ADMIN_BOARD_NOTIFY_STARTED_EVENT);
  } else {
    module.notify_kind = kNotifyNone;
  }
}

void StopBoardNotify(BoardModule& module) {
  if (!module.notify_started) return;
  module.notify_started = false;
  if (module.port_cc) {
    NotifyExchange(module, MILL_VERB_FINISH, kNotifyTypePorts, ADMIN_BOARD_NOTIFY_FINISHED_EVENT);
    NotifyExchange(module, MILL_VERB_FINISH, kNotifyTypePortsEnd,
                   ADMIN_BOARD_NOTIFY_FINISHED_EVENT);
  }
  if (module.ip_cc) {
    NotifyExchange(module, MILL_VERB_FINISH, kNotifyTypeIp, ADMIN_BOARD_NOTIFY_FINISHED_EVENT);
  }
}

bool StartEventThread(BoardModule& module) {
  module.stop = false;
  memcpy(module.admin_address, module.admin->own_addr, 4);
  if (ACE_Thread_Manager::instance()->spawn(EventThread, &module, THR_NEW_LWP | THR_JOINABLE,
                                            &module.thread_id) == -1) {
    trace::cc::Trace(kInternalTrace, kLevelError, "Unable to start event thread, module 0x%X",
                     module.module_number);
    return false;
  }
  module.thread_started = true;
  module.started.wait();
  if (module.stop) {
    EndEventThread(module);
    return false;
  }
  return true;
}

void EndEventThread(BoardModule& module) {
  if (!module.thread_started) return;
  if (!module.stop.exchange(true)) {
    // The thread waits in a receive: a packet from a session of our own wakes it.
    VtxLine* waker = AttachModuleSession(module.module_number, MILL_FACILITY_ECC);
    if (waker != nullptr) {
      Address to;
      for (int i = 0; i < 4; ++i) to.bytes[i] = module.admin_address[i] & AddressByteMask();
      SendCommandTo(waker, to, MILL_FACILITY_HOST_CTRL, MILL_VERB_REQUEST, HOST_CTRL_TEST_REQUEST,
                    nullptr, kFirmwareWait);
      DetachLine(waker);
    }
  }
  ACE_Thread_Manager::instance()->join(module.thread_id);
  module.thread_started = false;
}

}  // namespace vtx::callctrl
