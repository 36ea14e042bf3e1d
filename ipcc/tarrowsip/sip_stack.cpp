#include "ipcc/tarrowsip/sip_stack.h"

#include <re.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include "callctrl/hostlib/cipi_events.h"
#include "ipcc/tarrowsip/sdp_media.h"

namespace tarrowsip {
namespace {

constexpr int kWake = 0;
constexpr int kStop = 1;

// Causes of Event_CIPI_CallReleased.
constexpr uint32_t kNormalClearing = 16;
constexpr uint32_t kNoAnswer = 102;
constexpr uint32_t kTemporaryFailure = 41;

}  // namespace

struct Call {
  SipStack::Impl* stack = nullptr;
  uint32_t id = 0;
  struct sipsess* session = nullptr;
  uint32_t local_address = 0;  // where the INVITE arrived, host order
  bool answer_wanted = false;
  bool answered = false;
  std::string answer_sdp;  // our media, once the framework gave it
  uint16_t media_port = 0;

  ~Call() { mem_deref(session); }
};

struct SipStack::Impl {
  Settings settings;
  StackOutput* output = nullptr;
  std::thread thread;
  struct mqueue* queue = nullptr;
  std::mutex commands_mutex;
  std::deque<std::vector<uint8_t>> commands;
  // Owned by the stack thread from here on.
  struct sip* sip = nullptr;
  struct sipsess_sock* sock = nullptr;
  std::map<uint32_t, std::unique_ptr<Call>> calls;
  std::vector<std::unique_ptr<Call>> ended;  // freed by the reaper, outside libre's callbacks
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
  void Trace(int level, const std::string& text) { output->Trace(level, text); }
};

namespace {

void CopyParty(const struct pl& user, char (&field)[CIPI_TEXT_SIZE]) {
  const size_t n = user.l < CIPI_TEXT_SIZE - 1 ? user.l : CIPI_TEXT_SIZE - 1;
  if (n) memcpy(field, user.p, n);
  field[n] = '\0';
}

void OnQueue(int id, void*, void* arg) {
  auto* stack = static_cast<SipStack::Impl*>(arg);
  if (id == kStop) {
    re_cancel();
    return;
  }
  for (;;) {
    std::vector<uint8_t> command;
    {
      std::lock_guard<std::mutex> lock(stack->commands_mutex);
      if (stack->commands.empty()) return;
      command = std::move(stack->commands.front());
      stack->commands.pop_front();
    }
    stack->Carry(command);
  }
}

void OnConnect(const struct sip_msg* msg, void* arg) {
  static_cast<SipStack::Impl*>(arg)->Offered(msg);
}

// A re-INVITE's offer needs the framework's answer, which cannot be waited for here: refused.
int OnOffer(struct mbuf**, const struct sip_msg*, void* arg) {
  static_cast<Call*>(arg)->stack->Trace(2, "re-INVITE refused: media changes are not supported");
  return EPROTO;
}

// The far end's answer in an ACK: our offers are always in our 200 OK, so there is none to take.
int OnAnswer(const struct sip_msg*, void*) {
  return 0;
}

void OnEstablished(const struct sip_msg*, void* arg) {
  auto* call = static_cast<Call*>(arg);
  call->stack->output->Event(Event_CIPI_CallConnected, call->id, nullptr, 0);
}

// A far end's BYE or CANCEL ends the call with err ECONNRESET; an ACK that never came with
// ETIMEDOUT.
void OnClose(int err, const struct sip_msg*, void* arg) {
  auto* call = static_cast<Call*>(arg);
  const char* how = err == ETIMEDOUT ? "timed out (no ACK)"
                    : err == ECONNRESET
                        ? (call->answered ? "hung up by the far end" : "cancelled by the far end")
                        : strerror(err);
  const uint32_t cause = err == 0 || err == ECONNRESET ? kNormalClearing
                         : err == ETIMEDOUT            ? kNoAnswer
                                                       : kTemporaryFailure;
  call->stack->Trace(3, "call " + std::to_string(call->id) + " " + how);
  call->stack->End(*call, cause);
}

void OnReap(void* arg) {
  static_cast<SipStack::Impl*>(arg)->ended.clear();
}

}  // namespace

// Frees a call's session (mem_deref sends the BYE of an answered call) once libre's callbacks
// are left; the call's release event goes out now.
void SipStack::Impl::End(Call& call, uint32_t cause) {
  output->Event(Event_CIPI_CallReleased, call.id, &cause, sizeof cause);
  auto found = calls.find(call.id);
  if (found == calls.end()) return;
  ended.push_back(std::move(found->second));
  calls.erase(found);
  tmr_start(&reaper, 0, OnReap, this);
}

int SipStack::Impl::Listen() {
  int err = sip_alloc(&sip, nullptr, 32, 32, 32, settings.user_agent.c_str(), nullptr, nullptr);
  if (err) return err;
  struct sa local;
  err = sa_set_str(&local, settings.address.empty() ? "0.0.0.0" : settings.address.c_str(),
                   settings.port);
  if (!err) err = sip_transp_add(sip, SIP_TRANSP_UDP, &local);
  if (!err) err = sipsess_listen(&sock, sip, 32, OnConnect, this);
  if (!err) err = mqueue_alloc(&queue, OnQueue, this);
  return err;
}

void SipStack::Impl::Run(std::promise<std::string>& ready) {
  int err = libre_init();
  if (!err) err = Listen();
  if (err) {
    Close();
    ready.set_value("cannot listen on " + settings.address + ":" + std::to_string(settings.port) +
                    ": " + strerror(err));
    return;
  }
  tmr_init(&reaper);
  ready.set_value("");
  re_main(nullptr);
  Close();
}

// Every call still up is ended (answered ones with a BYE) before the stack goes.
void SipStack::Impl::Close() {
  while (!calls.empty()) End(*calls.begin()->second, kNormalClearing);
  ended.clear();
  tmr_cancel(&reaper);
  sock = static_cast<struct sipsess_sock*>(mem_deref(sock));
  if (sip) sip_close(sip, true);
  sip = static_cast<struct sip*>(mem_deref(sip));
  queue = static_cast<struct mqueue*>(mem_deref(queue));
  libre_close();
}

void SipStack::Impl::Offered(const struct sip_msg* msg) {
  if (calls.size() >= settings.max_calls) {
    Trace(2, "INVITE refused: all " + std::to_string(settings.max_calls) + " calls are up");
    (void)sip_reply(sip, msg, 486, "Busy Here");
    return;
  }
  CIPI_MediaDescription media;
  std::string why = "no SDP offer";
  const size_t size = msg->mb ? mbuf_get_left(msg->mb) : 0;
  if (size == 0 ||
      !SdpToMedia(reinterpret_cast<const char*>(mbuf_buf(msg->mb)), size, media, why)) {
    Trace(2, "INVITE refused: " + why);
    (void)sip_reply(sip, msg, 488, "Not Acceptable Here");
    return;
  }
  auto call = std::make_unique<Call>();
  call->stack = this;
  call->id = next_call++;
  if (next_call == 0) next_call = 1;
  call->local_address = sa_in(&msg->dst);
  int err = sipsess_accept(&call->session, sock, msg, 180, "Ringing", "tarrowsip",
                           "application/sdp", nullptr, nullptr, nullptr, false, OnOffer, OnAnswer,
                           OnEstablished, nullptr, nullptr, OnClose, call.get(), "");
  if (err) {
    Trace(1, std::string("INVITE refused: ") + strerror(err));
    (void)sip_reply(sip, msg, 500, "Server Internal Error");
    return;
  }
  CIPI_CallParties parties{};
  CopyParty(msg->from.uri.user, parties.calling);
  CopyParty(msg->to.uri.user, parties.called);
  const uint32_t id = call->id;
  calls.emplace(id, std::move(call));
  Trace(3, "call " + std::to_string(id) + " offered from \"" + parties.calling + "\" to \"" +
               parties.called + "\"");
  output->Event(Event_CIPI_CallOffered, id, &parties, sizeof parties);
  output->Event(Event_CIPI_MediaOffer, id, &media, sizeof media);
}

void SipStack::Impl::Carry(const std::vector<uint8_t>& command) {
  CIPI_CommandHeader header{};
  memcpy(&header, command.data(), sizeof header);
  const uint8_t* data = command.data() + sizeof header;
  const uint32_t length = static_cast<uint32_t>(command.size() - sizeof header);
  int32_t result = kNoSuchCall;
  auto found = calls.find(header.call);
  if (found != calls.end()) {
    Call& call = *found->second;
    switch (header.command) {
      case Command_CIPI_Answer:
        result = Answer(call);
        break;
      case Command_CIPI_MediaAnswer:
        result = MediaAnswer(call, data, length);
        break;
      case Command_CIPI_Release: {
        uint32_t cause = kNormalClearing;
        if (length >= sizeof cause) memcpy(&cause, data, sizeof cause);
        result = Release(call, cause);
        break;
      }
      default:
        result = kBadCommand;
        break;
    }
  }
  const CIPI_CommandResult done{header.command, result};
  output->Event(Event_CIPI_CommandDone, header.call, &done, sizeof done);
}

int32_t SipStack::Impl::Answer(Call& call) {
  call.answer_wanted = true;
  return SendAnswerWhenReady(call);
}

uint16_t SipStack::Impl::MediaPort() {
  const uint32_t first = settings.media_port_min & ~1u;
  const uint32_t span = (settings.media_port_max - first) / 2 + 1;
  for (uint32_t tried = 0; tried < span; ++tried) {
    const uint16_t port = static_cast<uint16_t>(first + 2 * ((next_port + tried) % span));
    bool used = false;
    for (const auto& entry : calls) used = used || entry.second->media_port == port;
    if (!used) {
      next_port = static_cast<uint16_t>((next_port + tried + 1) % span);
      return port;
    }
  }
  return 0;
}

// Our media for the call: where the framework left the address or port open, the address the
// INVITE came to and a port of the media range are filled in.
int32_t SipStack::Impl::MediaAnswer(Call& call, const uint8_t* data, uint32_t length) {
  CIPI_MediaDescription media;
  if (length < sizeof media) return kBadCommand;
  memcpy(&media, data, sizeof media);
  if (media.port == 0) {
    if (call.media_port == 0) call.media_port = MediaPort();
    if (call.media_port == 0) return kStackRefused;
    media.port = call.media_port;
  }
  static const uint8_t kAny[4] = {};
  if (memcmp(media.address, kAny, 4) == 0) {
    for (int i = 0; i < 4; ++i)
      media.address[i] = static_cast<uint8_t>(call.local_address >> (24 - 8 * i));
  }
  if (!MediaToSdp(media, call.id, call.answer_sdp)) return kBadCommand;
  return SendAnswerWhenReady(call);
}

int32_t SipStack::Impl::SendAnswerWhenReady(Call& call) {
  if (call.answered || !call.answer_wanted || call.answer_sdp.empty()) return 0;
  struct mbuf* body = mbuf_alloc(call.answer_sdp.size());
  if (!body) return kStackRefused;
  int err = mbuf_write_str(body, call.answer_sdp.c_str());
  mbuf_set_pos(body, 0);
  if (!err) err = sipsess_answer(call.session, 200, "OK", body, "");
  mem_deref(body);
  if (err) {
    Trace(1, "call " + std::to_string(call.id) + ": 200 OK not sent: " + strerror(err));
    return kStackRefused;
  }
  call.answered = true;
  Trace(3, "call " + std::to_string(call.id) + " answered");
  return 0;
}

// A call not yet answered is refused with 480; an answered one gets its BYE as it is freed.
int32_t SipStack::Impl::Release(Call& call, uint32_t cause) {
  if (!call.answered) (void)sipsess_reject(call.session, 480, "Temporarily Unavailable", "");
  Trace(3, "call " + std::to_string(call.id) + " released by the host");
  End(call, cause);
  return 0;
}

SipStack::SipStack() : impl_(std::make_unique<Impl>()) {}

SipStack::~SipStack() {
  Stop();
}

bool SipStack::Start(const Settings& settings, StackOutput& output, std::string& why) {
  Stop();
  impl_ = std::make_unique<Impl>();
  impl_->settings = settings;
  impl_->output = &output;
  std::promise<std::string> ready;
  std::future<std::string> started = ready.get_future();
  impl_->thread = std::thread([this, &ready] { impl_->Run(ready); });
  why = started.get();
  if (why.empty()) return true;
  impl_->thread.join();
  return false;
}

void SipStack::Command(std::vector<uint8_t> command) {
  if (!impl_->thread.joinable() || command.size() < sizeof(CIPI_CommandHeader)) return;
  {
    std::lock_guard<std::mutex> lock(impl_->commands_mutex);
    impl_->commands.push_back(std::move(command));
  }
  mqueue_push(impl_->queue, kWake, nullptr);
}

void SipStack::Stop() {
  if (!impl_->thread.joinable()) return;
  mqueue_push(impl_->queue, kStop, nullptr);
  impl_->thread.join();
}

}  // namespace tarrowsip
