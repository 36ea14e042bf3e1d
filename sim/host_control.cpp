// The machine's host controller (HOST_CTRL at module 1): notices of ended sessions to the
// sessions that asked for them, and the board name registry shared by every session.
#include <cstring>

#include "common.h"
#include "hostctrl.h"
#include "sim/machine.h"
#include "sim/machine_session.h"

namespace sim {
namespace {

constexpr uint8_t kAdminFacility = 0x01;
constexpr uint8_t kEccFacility = 0x12;
constexpr uint32_t kResultOk = 0;
constexpr uint32_t kResultNotFound = 1;

FwTag AddressTag(const uint8_t address[4]) {
  return FwTag::Bytes(HOST_CTRL_SESSION_ADDRESS_VAR, MILL_TYPE_BYTE, {address, address + 4});
}

std::string NameOf(const FwCommand& command) {
  const FwTag* tag = command.Find(HOST_CTRL_NAME_VAR);
  if (tag == nullptr) return {};
  std::string name(tag->data.begin(), tag->data.end());
  return name.substr(0, name.find('\0'));
}

}  // namespace

void Machine::HostControl(Session& from, const FwCommand& command) {
  const uint8_t src[4] = {MILL_FACILITY_HOST_CTRL, 1, 1, 0};
  const uint8_t mask = Mask();
  if (command.facility != MILL_FACILITY_HOST_CTRL || command.verb != MILL_VERB_REQUEST) return;
  std::lock_guard<std::mutex> registry(registry_lock_);
  FwPacket reply;
  uint32_t result = kResultOk;
  switch (command.code) {
    case HOST_CTRL_SESSION_TERM_NOTIFY_REQUEST: {
      const FwTag* address = command.Find(HOST_CTRL_SESSION_ADDRESS_VAR);
      const FwTag* context = command.Find(HOST_CTRL_CONTEXT_ID_VAR);
      if (address == nullptr || address->data.size() != 4) {
        result = kResultNotFound;
        break;
      }
      Watcher watcher{from.handle, {}, context != nullptr ? context->Value() : 0};
      for (int i = 0; i < 4; ++i) watcher.address[i] = address->data[i] & mask;
      watchers_.push_back(watcher);
      break;
    }
    case HOST_CTRL_NAME_ADD_REQUEST: {
      const FwTag* address = command.Find(HOST_CTRL_SESSION_ADDRESS_VAR);
      std::array<uint8_t, 4> value{};
      memcpy(value.data(),
             address != nullptr && address->data.size() == 4 ? address->data.data() : from.own, 4);
      if (!names_.emplace(NameOf(command), value).second) result = kResultNotFound;
      break;
    }
    case HOST_CTRL_NAME_GET_FIRST_REQUEST: {
      auto found = names_.find(NameOf(command));
      if (found == names_.end()) {
        result = kResultNotFound;
        break;
      }
      reply.Event(HOST_CTRL_NAME_FOUND_EVENT, {FwTag::Text(HOST_CTRL_NAME_VAR, found->first),
                                               AddressTag(found->second.data())});
      QueueReply(from, reply, src, MILL_FACILITY_HOST_CTRL, 0);
      return;
    }
    case HOST_CTRL_NAME_DELETE_REQUEST:
      if (names_.erase(NameOf(command)) == 0) result = kResultNotFound;
      break;
    default:
      return;
  }
  reply.Event(HOST_CTRL_RETURN_STATUS_EVENT,
              {FwTag::Int(COMMON_RESULT_CODE_VAR, MILL_TYPE_BYTE, result)});
  QueueReply(from, reply, src, MILL_FACILITY_HOST_CTRL, 0);
}

// The notice of a watched module goes out with the address the watcher registered, its facility
// byte replaced by that of the session that ended.
void Machine::NotifyWatchers(uint8_t module, uint8_t facility, uint32_t event) {
  const uint8_t src[4] = {MILL_FACILITY_HOST_CTRL, 1, 1, 0};
  for (const auto& watcher : watchers_) {
    if (watcher.address[2] != module) continue;
    auto found = sessions_.find(watcher.session);
    if (found == sessions_.end()) continue;
    uint8_t ended[4] = {facility, watcher.address[1], watcher.address[2], watcher.address[3]};
    FwPacket notice;
    notice.Event(event, {FwTag::Int(HOST_CTRL_CONTEXT_ID_VAR, MILL_TYPE_LONG, watcher.context),
                         AddressTag(ended)});
    QueueReply(*found->second, notice, src, MILL_FACILITY_HOST_CTRL, 0);
  }
}

void Machine::ModuleDied(uint8_t number) {
  std::lock_guard<std::shared_mutex> hold(lock_);
  auto found = modules_.find(number);
  if (found != modules_.end()) found->second->deactivated = true;
  NotifyWatchers(number, kAdminFacility, HOST_CTRL_SESSION_SUSP_EVENT);
}

void Machine::RemoveModule(uint8_t number) {
  std::lock_guard<std::shared_mutex> hold(lock_);
  modules_.erase(number);
  NotifyWatchers(number, kAdminFacility, HOST_CTRL_SESSION_TERM_EVENT);
}

void Machine::EccServerDied(uint8_t number) {
  std::lock_guard<std::shared_mutex> hold(lock_);
  NotifyWatchers(number, kEccFacility, HOST_CTRL_SESSION_SUSP_EVENT);
}

size_t Machine::WatcherCount() const {
  std::lock_guard<std::mutex> registry(registry_lock_);
  return watchers_.size();
}

std::map<std::string, std::array<uint8_t, 4>> Machine::Names() const {
  std::lock_guard<std::mutex> registry(registry_lock_);
  return names_;
}

}  // namespace sim
