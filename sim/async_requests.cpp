// The driver's asynchronous requests: a receive that would wait is queued, and the completion
// notice (HOST_CTRL EVENT CALLBACK_NOTIFY) goes to the notification session that the request
// named, once a packet arrives or the wait times out.
#include <cstring>

#include "hostctrl.h"
#include "sim/machine.h"
#include "sim/machine_session.h"
#include "sim/packet_form.h"

namespace sim {
namespace {

constexpr uint32_t kNoticeCompleted = 2;
constexpr uint32_t kNoticeTimedOut = 3;
constexpr size_t kNotifyWord = 6;

}  // namespace

Machine::Session* Machine::SessionAt(uint32_t address_word) {
  uint8_t wanted[4];
  memcpy(wanted, &address_word, 4);
  const uint8_t mask = Mask();
  for (auto& [handle, session] : sessions_) {
    bool same = true;
    for (int i = 0; i < 4; ++i) same = same && (session->own[i] & mask) == (wanted[i] & mask);
    if (same) return session.get();
  }
  return nullptr;
}

void Machine::FormNotice(const Session& session, const Session& to, uint32_t type,
                         wire::Bytes& out) const {
  FwPacket notice;
  notice.Event(
      HOST_CTRL_CALLBACK_NOTIFY_EVENT,
      {FwTag::Bytes(HOST_CTRL_SESSION_ADDRESS_VAR, MILL_TYPE_BYTE, {session.own, session.own + 4}),
       FwTag::Int(HOST_CTRL_NOTIFY_TYPE_VAR, MILL_TYPE_LONG, type),
       FwTag::Int(HOST_CTRL_INSTANCE_VALUE_VAR, MILL_TYPE_LONG, 1)});
  const uint8_t src[4] = {MILL_FACILITY_HOST_CTRL, 1, 1, to.own[3]};
  FormPacket(notice, to.own, src, MILL_FACILITY_HOST_CTRL, out);
}

int Machine::MsgReceiveAsync(std::unique_lock<std::mutex>& hold, Connection& connection,
                             wire::Bytes& block, wire::Bytes& data_out) {
  Session* session = FindSession(wire::Word(block, 0), &connection);
  const uint32_t timeout = wire::Word(block, 3);
  if (session == nullptr || session->queue->HasReady() || timeout == 0) {
    // Answered at once, as a receive that does not wait; an earlier queued receive that the
    // caller did not wait for is over.
    if (session != nullptr) session->queue->CancelWatch();
    wire::SetWord(block, 3, 0);
    const int result = MsgReceive(hold, connection, block, data_out, nullptr);
    wire::SetWord(block, 3, timeout);
    return result;
  }
  Session* notify = SessionAt(wire::Word(block, kNotifyWord));
  wire::SetWord(block, 2, 0);
  if (notify == nullptr) {
    wire::SetWord(block, 5, GDI_STS_ADDRESS_INVALID);
    return 0;
  }
  last_receive_timeout_ = timeout;
  wire::Bytes completed;
  wire::Bytes timed_out;
  FormNotice(*session, *notify, kNoticeCompleted, completed);
  FormNotice(*session, *notify, kNoticeTimedOut, timed_out);
  session->queue->Watch(notify->queue, std::move(completed), std::move(timed_out), After(timeout));
  wire::SetWord(block, 5, GDI_STS_PENDING);
  return 0;
}

int Machine::AsyncCancel(Connection& connection, wire::Bytes& block) {
  Session* session = FindSession(wire::Word(block, 0), &connection);
  if (session == nullptr) {
    wire::SetWord(block, 2, GDI_STS_SESSIONHANDLEBAD);
    return 0;
  }
  session->queue->CancelWatch();
  wire::SetWord(block, 2, GDI_STS_OK);
  return 0;
}

void Machine::CompleteQueuedRequest(Connection& connection, const wire::Bytes& block) {
  Session* session = FindSession(wire::Word(block, 0), &connection);
  Session* notify = SessionAt(wire::Word(block, kNotifyWord));
  if (session == nullptr || notify == nullptr) return;
  QueuedPacket notice;
  FormNotice(*session, *notify, kNoticeCompleted, notice.bytes);
  notice.ready = SimClock::now();
  notify->queue->Push(std::move(notice));
}

}  // namespace sim
