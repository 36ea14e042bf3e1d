// What the SIP stack thread keeps: its calls, and for each what it waits for. Once the thread
// runs only it touches this state; the framework's commands reach it through the queue.
#pragma once

#include <re.h>

#include <cstdint>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "callctrl/hostlib/cipi_events.h"
#include "ipcc/tarrowsip/sip_stack.h"

namespace tarrowsip {

// Causes of Event_CIPI_CallReleased.
constexpr uint32_t kNormalClearing = 16;
constexpr uint32_t kUserBusy = 17;
constexpr uint32_t kCallRejected = 21;
constexpr uint32_t kTemporaryFailure = 41;
constexpr uint32_t kNoAnswer = 102;

// A re-INVITE of an answered call whose offer waits for the framework's media answer: the
// session layer of the stack would have to answer it at once, so it is taken before it and its
// 200 OK is sent when the answer arrives, then repeated until the far end's ACK.
struct HeldReoffer {
  struct sip_strans* transaction = nullptr;
  struct sip_msg* request = nullptr;  // referenced until the 200 OK is acknowledged
  struct mbuf* reply = nullptr;       // our 200 OK, once sent
  struct tmr wait {};                 // the answer's time limit, then the next repetition
  struct tmr give_up {};              // no ACK for the 200 OK
  uint32_t interval = 0;              // between repetitions, doubling up to SIP_T2

  bool pending() const { return request != nullptr; }
};

struct Call {
  SipStack::Impl* stack = nullptr;
  uint32_t id = 0;
  bool outbound = false;
  struct sipsess* session = nullptr;
  uint32_t local_address = 0;  // ours towards the far end, host order
  bool answer_wanted = false;
  bool answered = false;   // our 200 OK went out, or the far end's came
  std::string answer_sdp;  // our media, once the framework gave it
  uint16_t media_port = 0;
  uint32_t sdp_version = 1;  // of our origin line: one up with each new description
  HeldReoffer reoffer;

  ~Call();
};

// The session callbacks of every call (arg: the Call).
int OnSessionOffer(struct mbuf** desc, const struct sip_msg* msg, void* arg);
int OnSessionAnswer(const struct sip_msg* msg, void* arg);
void OnSessionProgress(const struct sip_msg* msg, void* arg);
void OnSessionEstablished(const struct sip_msg* msg, void* arg);
void OnSessionClose(int err, const struct sip_msg* msg, void* arg);

struct SipStack::Impl {
  Settings settings;
  StackOutput* output = nullptr;
  std::thread thread;
  struct mqueue* queue = nullptr;
  std::mutex commands_mutex;
  std::deque<std::vector<uint8_t>> commands;
  // Owned by the stack thread from here on.
  struct sip* sip = nullptr;
  struct sip_lsnr* requests = nullptr;  // re-INVITEs and their ACKs, before the session layer
  struct sipsess_sock* sock = nullptr;
  std::map<uint32_t, std::unique_ptr<Call>> calls;
  std::vector<std::unique_ptr<Call>> ended;  // freed by the reaper, outside the stack's callbacks
  struct tmr reaper {};
  uint32_t next_call = 1;
  uint16_t next_port = 0;

  void Run(std::promise<std::string>& ready);
  int Listen();
  void Close();
  void Offered(const struct sip_msg* msg);
  void Carry(const std::vector<uint8_t>& command);
  int32_t Answer(Call& call);
  int32_t MediaAnswer(Call& call, const uint8_t* data, uint32_t length);
  int32_t Release(Call& call, uint32_t cause);
  int32_t SendAnswerWhenReady(Call& call);
  void End(Call& call, uint32_t cause);
  uint16_t MediaPort();
  // Fills an address or port the framework left open with ours.
  bool CompleteMedia(Call& call, CIPI_MediaDescription& media);
  void Trace(int level, const std::string& text) { output->Trace(level, text); }
  void Trace(int level, const Call& call, const std::string& text) {
    output->Trace(level, "call " + std::to_string(call.id) + " " + text);
  }

  // Outbound calls (sip_outbound.cpp).
  int32_t MakeCall(uint32_t id, const uint8_t* data, uint32_t length);
  // The far end's SDP in its answer to our offer: false when it holds no usable medium.
  bool Selected(Call& call, const struct sip_msg* msg);

  // Re-INVITEs (sip_reoffer.cpp).
  bool Request(const struct sip_msg* msg);
  void Reoffered(Call& call, const struct sip_msg* msg, const CIPI_MediaDescription& media);
  int32_t AnswerReoffer(Call& call);
  // Ends a held re-INVITE: with the final refusal `scode` while no 200 OK went out (0: none),
  // else by no longer repeating the 200 OK.
  void DropReoffer(Call& call, uint16_t scode, const char* reason);
};

}  // namespace tarrowsip
