// Packets between sessions and modules: MSG_SEND delivers at once (to another session, the host
// controller or a module's firmware, whose answers queue for the sender), MSG_RECEIVE takes
// from the session's queue and may wait, CLEAR_INPUT and CLEAR_OUTPUT empty the queues.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "hostctrl.h"
#include "ip_cc.h"
#include "os/thread_scratch.h"
#include "sim/machine.h"
#include "sim/machine_session.h"
#include "sim/packet_form.h"
#include "tele_ctrl.h"

namespace sim {
namespace {

constexpr uint8_t kKindModule = 1;
constexpr uint8_t kKindChannel = 2;
constexpr uint8_t kHostController = 1;  // module number of the machine's host controller
constexpr uint8_t kEccFacility = 0x12;
constexpr uint32_t kForever = 0xFFFFFFFF;
constexpr size_t kMaxRawBytes = 0xFFFF / 8;  // bytes one DATA command can carry

// TELE_CTRL reaches each telephony unit of a module at byte 1 of the address = unit + 2.
bool TrunkUnitAddress(Module& module, const uint8_t dest[4]) {
  if (dest[0] != MILL_FACILITY_TELE_CTRL || dest[1] < kKindChannel) return false;
  for (const HardwarePort& port : module.telephony().hardware) {
    if (port.unit == static_cast<uint32_t>(dest[1] - kKindChannel)) return true;
  }
  return false;
}

VtxDrvMsgBlock LoadMsg(const wire::Bytes& block) {
  VtxDrvMsgBlock m{};
  m.session = wire::Word(block, 0);
  m.length = wire::Word(block, 2);
  m.timeout_ms = wire::Word(block, 3);
  m.options = wire::Word(block, 4);
  m.dest_address = wire::Word(block, 7);
  m.src_address = wire::Word(block, 8);
  m.data_bits = wire::Word(block, 9);
  m.stream = wire::Word(block, 10);
  return m;
}

void StoreMsg(const VtxDrvMsgBlock& m, wire::Bytes& block) {
  wire::SetWord(block, 2, m.length);
  wire::SetWord(block, 4, m.options);
  wire::SetWord(block, 5, m.drv_status);
  wire::SetWord(block, 7, m.dest_address);
  wire::SetWord(block, 8, m.src_address);
  wire::SetWord(block, 9, m.data_bits);
  wire::SetWord(block, 10, m.stream);
}

void Masked(const uint8_t in[4], uint8_t mask, uint8_t out[4]) {
  for (int i = 0; i < 4; ++i) out[i] = in[i] & mask;
}

}  // namespace

void Machine::SetTimeScale(double scale) {
  std::lock_guard<std::shared_mutex> hold(lock_);
  time_scale_ = scale;
}

uint32_t Machine::LastReceiveTimeout() const {
  return last_receive_timeout_.load();
}

SimClock::time_point Machine::After(uint32_t ms) const {
  if (ms == kForever) return SimClock::time_point::max();
  const auto scaled = std::chrono::microseconds(static_cast<int64_t>(ms * 1000.0 * time_scale_));
  return SimClock::now() + scaled;
}

Machine::Session* Machine::FindSession(uint32_t handle, const Connection* owner) {
  auto found = sessions_.find(handle);
  if (found == sessions_.end()) return nullptr;
  if (owner != nullptr && found->second->connection != owner->id) return nullptr;
  return found->second.get();
}

void Machine::ForgetSession(Session& session) {
  session.queue->Close();
  std::lock_guard<std::mutex> registry(registry_lock_);
  for (auto it = watchers_.begin(); it != watchers_.end();) {
    it = it->session == session.handle ? watchers_.erase(it) : std::next(it);
  }
  for (auto it = names_.begin(); it != names_.end();) {
    it = memcmp(it->second.data(), session.own, 4) == 0 ? names_.erase(it) : std::next(it);
  }
  for (auto& [number, module] : modules_) ForgetWaiter(module->critical_sections(), session.handle);
}

void Machine::QueueReply(Session& to, const FwPacket& packet, const uint8_t src[4],
                         uint32_t facility, uint32_t extra_delay_ms) {
  QueuedPacket queued;
  queued.bytes = to.queue->SpareBuffer();
  FormPacket(packet, to.own, src, facility, queued.bytes);
  queued.ready = After(packet.delay_ms + extra_delay_ms);
  to.queue->Push(std::move(queued));
}

void Machine::RunFirmware(Module& module, Session& from, const FwCommand& command) {
  std::lock_guard<std::mutex> firmware(module.firmware_lock());
  module.LogCommand(command);
  const FwHandler* handler = module.firmware().Find(command.facility, command.verb, command.code);
  if (handler == nullptr) return;
  // Per thread and cleared, not destroyed: a handler that answers alike each time reuses the
  // buffers of its last answer. No handler reaches back into the machine, so one per thread is
  // enough.
  OS_THREAD_SCRATCH(FwAnswer, answer);
  answer.Clear();
  (*handler)(command, answer);
  const uint8_t src[4] = {0, command.address[1], command.address[2], command.address[3]};
  for (const auto& packet : answer.packets) {
    if (module.drop_replies > 0) {
      --module.drop_replies;
      continue;
    }
    QueueReply(from, packet, src, command.facility, module.reply_delay_ms);
  }
  for (const auto& late : answer.late) {
    Session* waiter = FindSession(late.to.session, nullptr);
    if (waiter == nullptr) continue;
    const uint8_t late_src[4] = {0, late.to.address[1], late.to.address[2], late.to.address[3]};
    QueueReply(*waiter, late.packet, late_src, late.to.facility, module.reply_delay_ms);
  }
}

// A module's ECC facility is served by the process that registered the module's name: what is
// sent to it reaches that process's session.
bool Machine::DeliverToEccServer(const Session& from, uint8_t module, const uint8_t* packet,
                                 size_t size) {
  char name[32];
  snprintf(name, sizeof name, "ECC_FACILITY_MODULE_%x", module);
  const uint8_t mask = Mask();
  uint8_t wanted[4];
  {
    std::lock_guard<std::mutex> registry(registry_lock_);
    auto registered = names_.find(name);
    if (registered == names_.end()) return false;
    Masked(registered->second.data(), mask, wanted);
  }
  for (auto& [handle, session] : sessions_) {
    uint8_t own[4];
    Masked(session->own, mask, own);
    if (memcmp(own, wanted, 4) != 0) continue;
    QueuedPacket queued{{packet, packet + size}, SimClock::now(), from.handle, {}};
    const uint8_t addressed[4] = {kEccFacility, kKindModule, module, 0};
    memcpy(queued.dest, addressed, 4);
    session->queue->Push(std::move(queued));
    return true;
  }
  return false;
}

size_t Machine::DeliverToChannelUsers(const Session& from, const uint8_t dest[4],
                                      const uint8_t* packet, size_t size) {
  const uint8_t mask = Mask();
  size_t reached = 0;
  for (auto& [handle, session] : sessions_) {
    if (handle == from.handle || !session->associated) continue;
    uint8_t remote[4];
    Masked(session->remote, mask, remote);
    if (remote[1] == kKindChannel && remote[2] == dest[2] && remote[3] == dest[3]) {
      QueuedPacket queued{{packet, packet + size}, SimClock::now(), from.handle, {}};
      memcpy(queued.dest, dest, 4);
      session->queue->Push(std::move(queued));
      ++reached;
    }
  }
  return reached;
}

// The IP_CC facility of a channel is the host's: the framework's session for the channel serves
// it, and the channel's own address tells that session which module and channel the request is
// for only once the packet is addressed to the session itself. A request without a server, like
// an event nobody talks to the channel for, is dropped: no firmware serves the facility.
void Machine::DeliverIpCc(const Session& from, const uint8_t dest[4], uint32_t verb,
                          const uint8_t* packet, size_t size) {
  if (verb != MILL_VERB_REQUEST) {
    DeliverToChannelUsers(from, dest, packet, size);
    return;
  }
  char name[48];
  snprintf(name, sizeof name, VTX_IP_CC_CHANNEL_NAME, dest[2], dest[3]);
  const uint8_t mask = Mask();
  uint8_t server[4];
  {
    std::lock_guard<std::mutex> registry(registry_lock_);
    auto registered = names_.find(name);
    if (registered == names_.end() || size < MILL_HEADER_LEN) return;
    Masked(registered->second.data(), mask, server);
  }
  for (auto& [handle, session] : sessions_) {
    uint8_t own[4];
    Masked(session->own, mask, own);
    if (memcmp(own, server, 4) != 0) continue;
    QueuedPacket queued{{packet, packet + size}, SimClock::now(), from.handle, {}};
    memcpy(queued.dest, dest, 4);
    // The header's destination (bytes 3 to 6, the first three marked in 7-bit address mode).
    const uint8_t mark = mask == 0xFF ? 0 : 0x80;
    for (int i = 0; i < 4; ++i)
      queued.bytes[3 + i] = static_cast<uint8_t>(own[i] | (i < 3 ? mark : 0));
    session->queue->Push(std::move(queued));
    return;
  }
}

uint32_t Machine::Route(Session& from, const uint8_t* packet, size_t size) {
  const uint8_t mask = Mask();
  uint8_t dest[4];
  // Per thread, so that the commands of each packet reuse the buffers of the last one's.
  OS_THREAD_SCRATCH(std::vector<FwCommand>, commands);
  if (!ReadCommands(packet, size, dest, commands)) return GDI_STS_INVALID_MSG;
  Masked(dest, mask, dest);
  for (auto& [handle, session] : sessions_) {
    uint8_t own[4];
    Masked(session->own, mask, own);
    if (memcmp(own, dest, 4) == 0) {
      QueuedPacket queued{{packet, packet + size}, SimClock::now(), from.handle, {}};
      memcpy(queued.dest, dest, 4);
      session->queue->Push(std::move(queued));
      return GDI_STS_OK;
    }
  }
  for (auto& command : commands) {
    command.session = from.handle;
    memcpy(command.address, dest, 4);
  }
  if (dest[1] == kKindModule && dest[2] == kHostController) {
    for (const auto& command : commands) HostControl(from, command);
    return GDI_STS_OK;
  }
  if (dest[0] == kEccFacility && dest[1] == kKindModule &&
      DeliverToEccServer(from, dest[2], packet, size)) {
    return GDI_STS_OK;
  }
  auto found = modules_.find(dest[2]);
  if (found == modules_.end() || found->second->deactivated ||
      (dest[1] != kKindModule && dest[1] != kKindChannel &&
       !TrunkUnitAddress(*found->second, dest))) {
    return GDI_STS_ADDRESS_INVALID;
  }
  if (dest[0] == MILL_FACILITY_IP_CC && dest[1] == kKindChannel) {
    DeliverIpCc(from, dest, commands.empty() ? 0 : commands.front().verb, packet, size);
    return GDI_STS_OK;
  }
  // Host control addressed to a channel reaches the sessions attached there (trace control
  // sent to the channel's users); without any it goes to the firmware.
  if (dest[0] != MILL_FACILITY_HOST_CTRL || dest[1] != kKindChannel ||
      DeliverToChannelUsers(from, dest, packet, size) == 0) {
    for (const auto& command : commands) RunFirmware(*found->second, from, command);
  }
  return GDI_STS_OK;
}

int Machine::MsgSend(Connection& connection, wire::Bytes& block, const wire::Bytes& data) {
  VtxDrvMsgBlock m = LoadMsg(block);
  Session* session = FindSession(m.session, &connection);
  if (session == nullptr) {
    m.drv_status = GDI_STS_SESSIONHANDLEBAD;
  } else if ((m.options & VTX_MSG_REFUSE_IF_INPUT) != 0 && session->queue->HasReady()) {
    m.drv_status = GDI_STS_RESOURCES;  // the option bit stays set: input is pending
  } else {
    m.options &= ~VTX_MSG_REFUSE_IF_INPUT;
    if ((m.options & VTX_MSG_RAW) != 0) {
      // Raw data travels as a DATA command to the addresses of the block, for the facility that
      // byte 0 of its destination names; the driver takes
      // what one command's 16-bit bit count can carry and says how much it took.
      const size_t taken = std::min<size_t>(data.size(), kMaxRawBytes);
      FwPacket raw;
      raw.Data(m.stream, std::vector<uint8_t>(data.begin(), data.begin() + taken));
      raw.commands.back().data_bits = std::min<uint32_t>(m.data_bits, 8 * taken);
      m.length = static_cast<uint32_t>(taken);
      uint8_t dest[4];
      uint8_t src[4];
      memcpy(dest, &m.dest_address, 4);
      memcpy(src, &m.src_address, 4);
      wire::Bytes formed;
      FormPacket(raw, dest, src, dest[0], formed);
      m.drv_status = Route(*session, formed.data(), formed.size());
    } else {
      m.drv_status = Route(*session, data.data(), data.size());
    }
  }
  if (m.drv_status != GDI_STS_OK) m.length = 0;
  StoreMsg(m, block);
  return 0;
}

int Machine::MsgReceive(RequestLock& hold, Connection& connection, wire::Bytes& block,
                        wire::Bytes& data_out, ParkedReceive* parked) {
  VtxDrvMsgBlock m = LoadMsg(block);
  const bool resumed = parked != nullptr && parked->waiting;
  if (!resumed) last_receive_timeout_.store(m.timeout_ms);
  Session* session = FindSession(m.session, &connection);
  const uint32_t capacity = m.length;
  m.length = 0;
  if (session == nullptr) {
    // Also a parked receive whose session was destroyed while it waited.
    if (parked != nullptr) parked->waiting = false;
    m.drv_status = GDI_STS_SESSIONHANDLEBAD;
    StoreMsg(m, block);
    return 0;
  }
  const auto deadline = resumed ? parked->deadline : After(m.timeout_ms);
  SessionQueue::Taken taken;
  if (parked != nullptr) {
    taken = session->queue->TakeReady(deadline, capacity, data_out, parked->retry_at, parked->wake);
    parked->waiting = taken == SessionQueue::Taken::kNotYet;
    if (parked->waiting) {
      // The block stays as the client sent it, for the next try.
      parked->deadline = deadline;
      return 0;
    }
  } else {
    // The machine is let go while the receive waits; the queue outlives the session if it is
    // destroyed meanwhile.
    std::shared_ptr<SessionQueue> queue = session->queue;
    hold.Release();
    taken = queue->Take(deadline, capacity, data_out);
    hold.Take();
  }
  switch (taken) {
    case SessionQueue::Taken::kPacket:
      m.drv_status = GDI_STS_OK;
      m.length = static_cast<uint32_t>(data_out.size());
      break;
    case SessionQueue::Taken::kNoData:
    case SessionQueue::Taken::kNotYet:
      m.drv_status = GDI_STS_NODATA;
      break;
    case SessionQueue::Taken::kTooSmall:
      m.drv_status = GDI_STS_SIZE;
      break;
    case SessionQueue::Taken::kOverflow:
      m.drv_status = GDI_STS_OVERFLOW;
      break;
    case SessionQueue::Taken::kGone:
      m.drv_status = GDI_STS_SESSIONHANDLEBAD;
      break;
  }
  m.options &= ~VTX_MSG_RAW;
  if (m.drv_status != GDI_STS_OK) data_out.clear();
  StoreMsg(m, block);
  return 0;
}

int Machine::Clear(uint32_t subcommand, Connection& connection, wire::Bytes& bytes) {
  VtxDrvClearBlock block{};
  memcpy(&block, bytes.data(), sizeof block);
  Session* session = FindSession(block.session, &connection);
  if (session == nullptr) {
    block.drv_status = GDI_STS_SESSIONHANDLEBAD;
  } else if (subcommand == VTX_DRV_CLEAR_INPUT) {
    session->queue->Clear();
    block.drv_status = GDI_STS_OK;
  } else {
    uint8_t dest[4];
    memcpy(dest, &block.dest_address, 4);
    Masked(dest, Mask(), dest);
    for (auto& entry : sessions_) entry.second->queue->ClearFrom(session->handle, dest);
    block.drv_status = GDI_STS_OK;
  }
  memcpy(bytes.data(), &block, sizeof block);
  return 0;
}

size_t Machine::InjectEvent(uint8_t module, uint8_t unit, const FwPacket& packet) {
  std::shared_lock<std::shared_mutex> hold(lock_);
  const uint8_t mask = Mask();
  size_t reached = 0;
  for (auto& [handle, session] : sessions_) {
    uint8_t remote[4];
    Masked(session->remote, mask, remote);
    if (!session->associated || remote[2] != module || remote[3] != unit) continue;
    const uint8_t src[4] = {0, remote[1], module, unit};
    QueueReply(*session, packet, src, 0, 0);
    ++reached;
  }
  return reached;
}

bool Machine::InjectRaw(const uint8_t session_address[4], std::vector<uint8_t> bytes) {
  std::shared_lock<std::shared_mutex> hold(lock_);
  const uint8_t mask = Mask();
  uint8_t wanted[4];
  Masked(session_address, mask, wanted);
  for (auto& [handle, session] : sessions_) {
    uint8_t own[4];
    Masked(session->own, mask, own);
    if (memcmp(own, wanted, 4) != 0) continue;
    session->queue->Push({std::move(bytes), SimClock::now(), 0, {}});
    return true;
  }
  return false;
}

}  // namespace sim
