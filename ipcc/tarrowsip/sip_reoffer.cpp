// Re-INVITEs of answered calls. The session layer of the stack wants the answer to a re-INVITE's
// offer from its offer handler at once, but ours comes from the framework, in its media answer
// command. So an in-dialog INVITE of an answered call is taken before that layer sees it: its
// offer becomes a media offer event, the request waits in a server transaction, and the
// framework's answer goes out as its 200 OK, repeated over UDP until the far end's ACK.
#include <cstring>

#include "ipcc/tarrowsip/sdp_media.h"
#include "ipcc/tarrowsip/sip_call.h"

namespace tarrowsip {
namespace {

constexpr uint32_t kAnswerLimitMs = 4000;  // for the framework's media answer
constexpr uint32_t kAckLimitMs = 64 * SIP_T1;

bool IsMethod(const struct sip_msg* msg, const char* name) {
  return pl_strcmp(&msg->met, name) == 0;
}

void OnAnswerLate(void* arg) {
  auto* call = static_cast<Call*>(arg);
  call->stack->Trace(2, *call, "re-INVITE refused: no media answer in time");
  call->stack->DropReoffer(*call, 488, "Not Acceptable Here");
}

void OnRepeat(void* arg) {
  auto* call = static_cast<Call*>(arg);
  HeldReoffer& held = call->reoffer;
  (void)sip_send(call->stack->sip, held.request->sock, held.request->tp, &held.request->src,
                 held.reply);
  const uint32_t longest = SIP_T2;
  held.interval = held.interval * 2 < longest ? held.interval * 2 : longest;
  tmr_start(&held.wait, held.interval, OnRepeat, call);
}

void OnNoAck(void* arg) {
  auto* call = static_cast<Call*>(arg);
  call->stack->Trace(2, *call, "timed out (no ACK for the re-INVITE's 200 OK)");
  call->stack->End(*call, kNoAnswer);
}

void OnCancelled(void* arg) {
  auto* call = static_cast<Call*>(arg);
  call->stack->Trace(3, *call, "re-INVITE cancelled by the far end");
  call->stack->DropReoffer(*call, 487, "Request Terminated");
}

}  // namespace

// Takes re-INVITEs of answered calls and the ACKs of their 200 OK; everything else goes on to
// the session layer (false).
bool SipStack::Impl::Request(const struct sip_msg* msg) {
  const bool invite = IsMethod(msg, "INVITE");
  if ((!invite && !IsMethod(msg, "ACK")) || !pl_isset(&msg->to.tag)) return false;
  Call* call = nullptr;
  for (auto& entry : calls) {
    if (sip_dialog_cmp(sipsess_dialog(entry.second->session), msg)) call = entry.second.get();
  }
  if (!call) return false;
  HeldReoffer& held = call->reoffer;
  if (!invite) {
    if (!held.reply || msg->cseq.num != held.request->cseq.num) return false;
    Trace(3, *call, "media changed");
    DropReoffer(*call, 0, nullptr);
    return true;
  }
  if (!call->answered) return false;
  struct sip_dialog* dialog = sipsess_dialog(call->session);
  if (held.pending()) {
    (void)sip_reply(sip, msg, 491, "Request Pending");
    return true;
  }
  if (!sip_dialog_rseq_valid(dialog, msg)) {
    (void)sip_reply(sip, msg, 500, "Server Internal Error");
    return true;
  }
  CIPI_MediaDescription media;
  std::string why = "no SDP offer";
  const size_t size = msg->mb ? mbuf_get_left(msg->mb) : 0;
  if (size == 0 ||
      !SdpToMedia(reinterpret_cast<const char*>(mbuf_buf(msg->mb)), size, media, why)) {
    Trace(2, *call, "re-INVITE refused: " + why);
    (void)sip_reply(sip, msg, 488, "Not Acceptable Here");
    return true;
  }
  (void)sip_dialog_update(dialog, msg);
  Reoffered(*call, msg, media);
  return true;
}

void SipStack::Impl::Reoffered(Call& call, const struct sip_msg* msg,
                               const CIPI_MediaDescription& media) {
  HeldReoffer& held = call.reoffer;
  if (sip_strans_alloc(&held.transaction, sip, msg, OnCancelled, &call) != 0) {
    (void)sip_reply(sip, msg, 500, "Server Internal Error");
    return;
  }
  held.request = static_cast<struct sip_msg*>(mem_ref(const_cast<struct sip_msg*>(msg)));
  tmr_start(&held.wait, kAnswerLimitMs, OnAnswerLate, &call);
  Trace(3, call, "re-INVITE offers new media");
  output->Event(Event_CIPI_MediaOffer, call.id, &media, sizeof media);
}

int32_t SipStack::Impl::AnswerReoffer(Call& call) {
  HeldReoffer& held = call.reoffer;
  tmr_cancel(&held.wait);
  struct sip_strans* transaction = held.transaction;
  held.transaction = nullptr;
  const struct sip_msg* msg = held.request;
  const int err = sip_treplyf(&transaction, &held.reply, sip, msg, true, 200, "OK",
                              "Contact: <sip:tarrowsip@%J%s>\r\nContent-Type: application/sdp\r\n"
                              "Content-Length: %zu\r\n\r\n%s",
                              &msg->dst, sip_transp_param(msg->tp), call.answer_sdp.size(),
                              call.answer_sdp.c_str());
  if (err) {
    Trace(1, call, std::string("re-INVITE's 200 OK not sent: ") + strerror(err));
    DropReoffer(call, 0, nullptr);
    return kStackRefused;
  }
  held.interval = SIP_T1;
  if (msg->tp == SIP_TRANSP_UDP) tmr_start(&held.wait, held.interval, OnRepeat, &call);
  tmr_start(&held.give_up, kAckLimitMs, OnNoAck, &call);
  Trace(3, call, "re-INVITE answered");
  return 0;
}

void SipStack::Impl::DropReoffer(Call& call, uint16_t scode, const char* reason) {
  HeldReoffer& held = call.reoffer;
  if (!held.pending()) return;
  tmr_cancel(&held.wait);
  tmr_cancel(&held.give_up);
  if (held.transaction && scode != 0) {
    struct sip_strans* transaction = held.transaction;
    (void)sip_treply(&transaction, sip, held.request, scode, reason);
  }
  held.transaction = nullptr;
  held.reply = static_cast<struct mbuf*>(mem_deref(held.reply));
  held.request = static_cast<struct sip_msg*>(mem_deref(held.request));
}

}  // namespace tarrowsip
