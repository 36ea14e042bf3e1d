// The SIP stack of the library, on a thread of its own. Inbound INVITEs with an SDP offer become
// calls (a call offered and a media offer event), and a re-INVITE of an answered call a further
// media offer; the host's calls go out as INVITEs whose answer becomes a media selected event.
// The framework's commands reach the thread through a bounded queue and are carried out there;
// a far end's BYE or CANCEL, or an ACK that never comes, ends its call. INVITEs beyond the call
// limit are refused with 486.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarrowsip {

// Results of a command in its Event_CIPI_CommandDone, beside 0 for success.
constexpr int32_t kBadCommand = 2;  // the libraries' shared "bad argument"
constexpr int32_t kNoSuchCall = 5;
constexpr int32_t kStackRefused = 6;

struct Settings {
  std::string address;  // empty: every local address
  uint16_t port = 5060;
  bool udp = true;  // the transports listened on
  bool tcp = false;
  std::string user_agent = "Tarrow SIP";
  uint16_t media_port_min = 40000;  // the range our RTP/UDPTL media ports are taken from
  uint16_t media_port_max = 40999;
  uint32_t max_calls = 4;
};

// Where the stack hands its events and traces: called on the stack thread.
class StackOutput {
 public:
  virtual ~StackOutput() = default;
  virtual void Event(uint32_t event, uint32_t call, const void* data, uint32_t length) = 0;
  virtual void Trace(int level, const std::string& text) = 0;
};

class SipStack {
 public:
  SipStack();
  ~SipStack();
  SipStack(const SipStack&) = delete;
  SipStack& operator=(const SipStack&) = delete;

  // Starts the thread and waits until it listens: false, with the reason, when it cannot.
  bool Start(const Settings& settings, StackOutput& output, std::string& why);
  // Queues a command record (header and data) for the stack thread: false when the stack is not
  // running or its queue is full.
  bool Command(std::vector<uint8_t> command);
  // Ends every call, stops the thread and waits for it.
  void Stop();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarrowsip
