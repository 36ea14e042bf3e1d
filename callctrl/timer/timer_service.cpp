#include "callctrl/timer/timer_service.h"

#include <ace/Event_Handler.h>
#include <ace/OS_NS_sys_time.h>
#include <ace/Thread_Manager.h>
#include <ace/Timer_Heap.h>
#include <ace/Timer_Queue_Adapters.h>

#include <cstring>
#include <mutex>
#include <new>

#include "api/line.h"
#include "callctrl/board/master_election.h"
#include "hostctrl.h"
#include "packet/send_receive.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

using trace::cc::kInternalTrace;
using trace::cc::kLevelError;

using TimerAdapter = ACE_Thread_Timer_Queue_Adapter<ACE_Timer_Heap>;

enum TimerType : uint32_t { kBoardPortTimer = 0, kHostModuleTimer = 1 };

constexpr uint32_t kTimerCommandSize = 32;  // one EVENT with two short tags

}  // namespace

// One timer: an ACE event handler that lives from its scheduling until it fires or is deleted.
// The timer queue holds references of its own while it dispatches, so the record is released by
// dropping the service's reference, never by deleting it outright.
class TimerRecord : public ACE_Event_Handler {
 public:
  TimerRecord(TimerService& service, uint32_t type) : service_(service), type_(type) {
    reference_counting_policy().value(Reference_Counting_Policy::ENABLED);
  }
  int handle_timeout(const ACE_Time_Value&, const void*) override;

  ACE_Time_Value expiry;
  // Port or value 1, module number or value 2, (unused: the address and target are kept
  // below), the caller's context, the handle.
  uint32_t words[5] = {};
  uint8_t address[4] = {};        // board-port timer: where the alert goes
  TimerTarget* target = nullptr;  // host-module timer: the queue it is posted to

 private:
  void SendAlert();

  TimerService& service_;
  uint32_t type_;
};

class TimerService {
 public:
  TimerService() : adapter_(&threads_) {}
  ~TimerService() {
    adapter_.deactivate();
    threads_.wait();
    CancelAll();
    DetachLine(session_);
  }

  bool Start() {
    VtxLineArgs args{};
    session_ = VtxSessionAttach(&args);
    if (session_ == nullptr) {
      trace::cc::Trace(kInternalTrace, kLevelError,
                       "Unable to open handle to driver module for timer");
    }
    return adapter_.activate() == 0;
  }

  uint32_t Create(uint32_t ms, uint32_t type, const uint32_t words[4], const uint8_t address[4],
                  TimerTarget* target) {
    std::lock_guard<std::mutex> hold(service_lock_);
    auto* record = new (std::nothrow) TimerRecord(*this, type);
    if (record == nullptr) return static_cast<uint32_t>(-1);
    const ACE_Time_Value delay(static_cast<time_t>(ms / 1000),
                               static_cast<suseconds_t>((ms % 1000) * 1000));
    record->expiry = ACE_OS::gettimeofday() + delay;
    memcpy(record->words, words, 4 * sizeof(uint32_t));
    if (address != nullptr) memcpy(record->address, address, 4);
    record->target = target;
    const uint32_t handle = NextHandle();
    record->words[4] = handle;
    // The node goes in before the scheduling: a timer of 0 ms may fire at once, and its
    // dispatching must find it.
    Node* node = new (std::nothrow) Node{handle, -1, nullptr};
    if (node == nullptr) {
      record->remove_reference();
      return static_cast<uint32_t>(-1);
    }
    {
      std::lock_guard<std::mutex> list(list_lock_);
      node->next = nodes_;
      nodes_ = node;
    }
    const long id = adapter_.schedule(record, record, record->expiry);
    if (id == -1) {
      delete Unlink(handle);
      record->remove_reference();
      trace::cc::Trace(kInternalTrace, kLevelError, "Unable to create timer, schedule failed");
      return 0;
    }
    std::lock_guard<std::mutex> list(list_lock_);
    for (Node* n = nodes_; n != nullptr; n = n->next) {
      if (n->handle == handle) n->queue_id = id;
    }
    return handle;
  }

  void Delete(uint32_t handle) {
    std::lock_guard<std::mutex> hold(service_lock_);
    Node* node = Unlink(handle);
    if (node == nullptr) {
      trace::cc::Trace(kInternalTrace, kLevelError,
                       "Unable to delete timer, unable to find timer record");
      return;
    }
    const long id = node->queue_id;
    delete node;
    const void* act = nullptr;
    if (adapter_.cancel(id, &act) != 1 || act == nullptr) {
      trace::cc::Trace(kInternalTrace, kLevelError, "Unable to delete timer, no handler found");
      return;
    }
    static_cast<TimerRecord*>(const_cast<void*>(act))->remove_reference();
  }

  // The node of `handle`, taken off the list; null when there is none.
  struct Node {
    uint32_t handle;
    long queue_id;
    Node* next;
  };
  Node* Unlink(uint32_t handle) {
    std::lock_guard<std::mutex> list(list_lock_);
    for (Node** at = &nodes_; *at != nullptr; at = &(*at)->next) {
      if ((*at)->handle == handle) {
        Node* found = *at;
        *at = found->next;
        return found;
      }
    }
    return nullptr;
  }

  uint32_t Pending() {
    std::lock_guard<std::mutex> list(list_lock_);
    uint32_t count = 0;
    for (Node* n = nodes_; n != nullptr; n = n->next) ++count;
    return count;
  }

  VtxLine* session() const { return session_; }

 private:
  uint32_t NextHandle() {
    std::lock_guard<std::mutex> hold(counter_lock_);
    uint32_t handle = ++counter_;
    if (handle == 0) handle = ++counter_;  // 0 is never a handle
    return handle;
  }

  void CancelAll() {
    for (;;) {
      Node* node = nullptr;
      {
        std::lock_guard<std::mutex> list(list_lock_);
        node = nodes_;
        if (node != nullptr) nodes_ = node->next;
      }
      if (node == nullptr) return;
      const void* act = nullptr;
      if (adapter_.cancel(node->queue_id, &act) == 1 && act != nullptr) {
        static_cast<TimerRecord*>(const_cast<void*>(act))->remove_reference();
      }
      delete node;
    }
  }

  std::mutex service_lock_;
  std::mutex counter_lock_;
  uint32_t counter_ = 0;
  ACE_Thread_Manager threads_;
  TimerAdapter adapter_;
  std::mutex list_lock_;
  Node* nodes_ = nullptr;
  VtxLine* session_ = nullptr;
};

int TimerRecord::handle_timeout(const ACE_Time_Value&, const void*) {
  TimerService::Node* node = service_.Unlink(words[4]);
  if (node == nullptr) {
    trace::cc::Trace(kInternalTrace, kLevelError,
                     "Unable to send Timer Event, unable to find timer record");
  } else {
    delete node;
    if (type_ == kBoardPortTimer) {
      SendAlert();
    } else if (target == nullptr || !target->PostTimer(words[0], words[1], words[4], words[3])) {
      trace::cc::Trace(kInternalTrace, kLevelError,
                       "Unable to post timer 0x%X: the host module's queue refused it", words[4]);
    }
  }
  remove_reference();  // the service's own reference: the record goes once ACE lets go of it
  return 0;
}

// HOST_CTRL EVENT ALERT with the caller's context and the port, from the host controller's
// facility to the module's address.
void TimerRecord::SendAlert() {
  const uint32_t port = words[0];
  const uint32_t module_number = words[1];
  const MillTagItem tags[] = {
      {HOST_CTRL_CONTEXT_ID_VAR, MILL_TYPE_SHORT, 0, MILL_TAG_VALUE(words[3])},
      {HOST_CTRL_CHANNEL_VAR, MILL_TYPE_SHORT, 0, MILL_TAG_VALUE(port)},
      {0, 0, 0, nullptr}};
  uint8_t packet[MILL_HEADER_LEN + kTimerCommandSize];
  MillArgs args{};
  args.cmd_buf = packet + MILL_HEADER_LEN;
  args.facility = MILL_FACILITY_HOST_CTRL;
  args.verb = MILL_VERB_EVENT;
  args.code = HOST_CTRL_ALERT_EVENT;
  if (MillFormCmd(&args, tags) < 0 || args.cmd_len > kTimerCommandSize) {
    trace::cc::Trace(kInternalTrace, kLevelError,
                     "Unable to send Timer Event, unable to form command, port %d, module 0x%X",
                     static_cast<int>(port), module_number);
    return;
  }
  VtxLine* line = service_.session();
  memcpy(args.dest_addr, address, 4);
  if (line != nullptr) memcpy(args.src_addr, line->own_addr, 4);
  args.src_addr[0] = MILL_FACILITY_HOST_CTRL;
  args.pkt_saved = 1;  // the source's byte 0 names the facility
  args.pkt_buf = packet;
  if (MillFormPktHeader(&args) != MILL_HEADER_LEN) {
    trace::cc::Trace(kInternalTrace, kLevelError,
                     "Unable to send Timer Event, unable to form header, port %d, module 0x%X",
                     static_cast<int>(port), module_number);
    return;
  }
  args.pkt_buf = packet;
  args.pkt_len = MILL_HEADER_LEN + args.cmd_len;
  args.timeout = 0;
  args.no_hangup = 1;
  if (line == nullptr || (packet::TransmitPkt(line, &args) & MILL_SEND_SENT) == 0) {
    trace::cc::Trace(kInternalTrace, kLevelError,
                     "Unable to send Timer Event, unable to send packet, port %d, module 0x%X",
                     static_cast<int>(port), module_number);
  }
}

namespace {

std::mutex g_service_lock;  // creation and destruction of the service
TimerService* g_service = nullptr;

}  // namespace

TimerService* GetTimerService() {
  std::lock_guard<std::mutex> hold(g_service_lock);
  if (g_service == nullptr) {
    auto* service = new (std::nothrow) TimerService();
    if (service == nullptr) return nullptr;
    if (!service->Start()) {
      delete service;
      return nullptr;
    }
    g_service = service;
  }
  return g_service;
}

void ShutdownTimerService() {
  std::lock_guard<std::mutex> hold(g_service_lock);
  delete g_service;
  g_service = nullptr;
}

uint32_t CreatePortTimer(TimerService* service, uint32_t ms, uint32_t port, uint32_t module_number,
                         const uint8_t module_address[4], uint32_t context) {
  if (service == nullptr) return 0;
  const uint32_t words[4] = {port, module_number, 0, context};
  return service->Create(ms, kBoardPortTimer, words, module_address, nullptr);
}

uint32_t CreateHostTimer(TimerService* service, uint32_t ms, uint32_t value1, uint32_t value2,
                         TimerTarget* target, uint32_t context) {
  if (service == nullptr) return 0;
  const uint32_t words[4] = {value1, value2, 0, context};
  return service->Create(ms, kHostModuleTimer, words, nullptr, target);
}

void DeleteTimer(TimerService* service, uint32_t handle) {
  if (service != nullptr) service->Delete(handle);
}

VtxLine* TimerSession(TimerService* service) {
  return service != nullptr ? service->session() : nullptr;
}

uint32_t PendingTimers(TimerService* service) {
  return service != nullptr ? service->Pending() : 0;
}

}  // namespace vtx::callctrl
