#include "ipcc/tarrowsip/sip_stack.h"

#include <cerrno>
#include <cstring>

#include "ipcc/tarrowsip/sdp_media.h"
#include "ipcc/tarrowsip/sip_call.h"

namespace tarrowsip {
namespace {

constexpr int kWake = 0;
constexpr int kStop = 1;
constexpr size_t kMaxQueuedCommands = 1024;

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

bool OnRequest(const struct sip_msg* msg, void* arg) {
  return static_cast<SipStack::Impl*>(arg)->Request(msg);
}

void OnReap(void* arg) {
  static_cast<SipStack::Impl*>(arg)->ended.clear();
}

}  // namespace

Call::~Call() {
  tmr_cancel(&reoffer.wait);
  tmr_cancel(&reoffer.give_up);
  mem_deref(reoffer.reply);
  mem_deref(reoffer.request);
  mem_deref(session);
}

// Re-INVITEs reach the session layer only before the call is answered (the layer refuses them
// then); later ones are held by Request.
int OnSessionOffer(struct mbuf**, const struct sip_msg*, void* arg) {
  static_cast<Call*>(arg)->stack->Trace(2, *static_cast<Call*>(arg),
                                        "re-INVITE refused: the call is not answered yet");
  return EPROTO;
}

// The far end's answer to our offer: in the 200 OK of a call we placed. Our answers to its
// offers always travel in our 200 OK, so an inbound call's ACK carries none.
int OnSessionAnswer(const struct sip_msg* msg, void* arg) {
  auto* call = static_cast<Call*>(arg);
  if (!call->outbound) return 0;
  return call->stack->Selected(*call, msg) ? 0 : EPROTO;
}

void OnSessionProgress(const struct sip_msg*, void*) {}

void OnSessionEstablished(const struct sip_msg*, void* arg) {
  auto* call = static_cast<Call*>(arg);
  call->answered = true;
  call->stack->output->Event(Event_CIPI_CallConnected, call->id, nullptr, 0);
}

// A far end's BYE or CANCEL ends the call with err ECONNRESET; an ACK that never came with
// ETIMEDOUT; a call we placed that the far end refused with err 0 and its response.
void OnSessionClose(int err, const struct sip_msg* msg, void* arg) {
  auto* call = static_cast<Call*>(arg);
  std::string how;
  uint32_t cause = kTemporaryFailure;
  if (err == 0 && msg && msg->scode >= 300) {
    how = "refused by the far end: " + std::to_string(msg->scode) + " " +
          std::string(msg->reason.p, msg->reason.l);
    cause = msg->scode == 486 ? kUserBusy : kCallRejected;
  } else if (err == ETIMEDOUT) {
    how = "timed out (no ACK)";
    cause = kNoAnswer;
  } else if (err == 0 || err == ECONNRESET) {
    how = call->answered ? "hung up by the far end" : "cancelled by the far end";
    cause = kNormalClearing;
  } else {
    how = strerror(err);
  }
  call->stack->Trace(3, *call, how);
  call->stack->End(*call, cause);
}

// Frees a call's session (mem_deref sends the BYE of an answered call, the CANCEL of one we
// placed) once the stack's callbacks are left; the call's release event goes out now.
void SipStack::Impl::End(Call& call, uint32_t cause) {
  DropReoffer(call, 487, "Request Terminated");
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
  if (!err && settings.udp) err = sip_transp_add(sip, SIP_TRANSP_UDP, &local);
  if (!err && settings.tcp) err = sip_transp_add(sip, SIP_TRANSP_TCP, &local);
  // Listeners are asked in the order they were added: ours sees re-INVITEs first.
  if (!err) err = sip_listen(&requests, sip, true, OnRequest, this);
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
  requests = static_cast<struct sip_lsnr*>(mem_deref(requests));
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
  // Inbound calls are numbered from 1 below the bit that marks the calls the host places.
  do {
    call->id = next_call;
    next_call = next_call + 1 < CIPI_OUTBOUND_CALL ? next_call + 1 : 1;
  } while (calls.count(call->id) != 0);
  call->local_address = sa_in(&msg->dst);
  int err =
      sipsess_accept(&call->session, sock, msg, 180, "Ringing", "tarrowsip", "application/sdp",
                     nullptr, nullptr, nullptr, false, OnSessionOffer, OnSessionAnswer,
                     OnSessionEstablished, nullptr, nullptr, OnSessionClose, call.get(), "");
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
  if (header.command == Command_CIPI_MakeCall) {
    result = MakeCall(header.call, data, length);
  } else if (found != calls.end()) {
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
  if (call.outbound) return kBadCommand;
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

bool SipStack::Impl::CompleteMedia(Call& call, CIPI_MediaDescription& media) {
  if (media.port == 0) {
    if (call.media_port == 0) call.media_port = MediaPort();
    if (call.media_port == 0) return false;
    media.port = call.media_port;
  }
  static const uint8_t kAny[4] = {};
  if (memcmp(media.address, kAny, 4) == 0) {
    for (int i = 0; i < 4; ++i)
      media.address[i] = static_cast<uint8_t>(call.local_address >> (24 - 8 * i));
  }
  return true;
}

// Our media for the call: where the framework left the address or port open, the address the
// INVITE came to and a port of the media range are filled in. It answers the INVITE (with the
// framework's answer command) or a re-INVITE held for it.
int32_t SipStack::Impl::MediaAnswer(Call& call, const uint8_t* data, uint32_t length) {
  CIPI_MediaDescription media;
  if (length < sizeof media || (call.outbound && !call.reoffer.pending())) return kBadCommand;
  memcpy(&media, data, sizeof media);
  if (!CompleteMedia(call, media)) return kStackRefused;
  if (call.reoffer.pending()) ++call.sdp_version;
  if (!MediaToSdp(media, call.id, call.sdp_version, call.answer_sdp)) return kBadCommand;
  if (call.reoffer.pending()) return AnswerReoffer(call);
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
    Trace(1, call, std::string("200 OK not sent: ") + strerror(err));
    return kStackRefused;
  }
  call.answered = true;
  Trace(3, call, "answered");
  return 0;
}

// An inbound call not yet answered is refused with 480; an answered one gets its BYE, and one
// we placed its CANCEL, as it is freed.
int32_t SipStack::Impl::Release(Call& call, uint32_t cause) {
  if (!call.answered && !call.outbound) {
    (void)sipsess_reject(call.session, 480, "Temporarily Unavailable", "");
  }
  Trace(3, call, "released by the host");
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

bool SipStack::Command(std::vector<uint8_t> command) {
  if (!impl_->thread.joinable() || command.size() < sizeof(CIPI_CommandHeader)) return false;
  {
    std::lock_guard<std::mutex> lock(impl_->commands_mutex);
    if (impl_->commands.size() >= kMaxQueuedCommands) return false;
    impl_->commands.push_back(std::move(command));
  }
  mqueue_push(impl_->queue, kWake, nullptr);
  return true;
}

void SipStack::Stop() {
  if (!impl_->thread.joinable()) return;
  mqueue_push(impl_->queue, kStop, nullptr);
  impl_->thread.join();
}

}  // namespace tarrowsip
