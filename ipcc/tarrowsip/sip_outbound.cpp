// Calls the host places: its call command becomes an INVITE carrying its media offer, and the far
// end's answer in the 200 OK a media selected event, which the framework checks strictly against
// its own limits.
#include <cstring>

#include "ipcc/tarrowsip/sdp_media.h"
#include "ipcc/tarrowsip/sip_call.h"

namespace tarrowsip {

int32_t SipStack::Impl::MakeCall(uint32_t id, const uint8_t* data, uint32_t length) {
  CIPI_CallRequest request;
  if ((id & CIPI_OUTBOUND_CALL) == 0 || length < sizeof request || calls.count(id) != 0) {
    return kBadCommand;
  }
  memcpy(&request, data, sizeof request);
  request.destination[sizeof request.destination - 1] = '\0';
  request.calling[sizeof request.calling - 1] = '\0';
  const std::string name = "call " + std::to_string(id) + " to \"" + request.destination + "\"";
  if (calls.size() >= settings.max_calls) {
    Trace(2, name + " not placed: all " + std::to_string(settings.max_calls) + " calls are up");
    return kStackRefused;
  }
  struct pl text;
  pl_set_str(&text, request.destination);
  struct uri uri;
  struct sa far_end, local;
  if (uri_decode(&uri, &text) != 0 || sa_set(&far_end, &uri.host, uri.port) != 0 ||
      sa_af(&far_end) != AF_INET) {
    Trace(2, name + " not placed: not a SIP URI with an IPv4 address");
    return kBadCommand;
  }
  if (sip_transp_laddr(sip, &local, settings.udp ? SIP_TRANSP_UDP : SIP_TRANSP_TCP, &far_end) ||
      (sa_in(&local) == 0 && net_default_source_addr_get(AF_INET, &local) != 0)) {
    Trace(2, name + " not placed: no local address towards it");
    return kStackRefused;
  }
  sa_set_port(&local, settings.port);
  auto call = std::make_unique<Call>();
  call->stack = this;
  call->id = id;
  call->outbound = true;
  call->local_address = sa_in(&local);
  CIPI_MediaDescription offer = request.offer;
  std::string sdp;
  if (!CompleteMedia(*call, offer) || !MediaToSdp(offer, id, call->sdp_version, sdp)) {
    Trace(2, name + " not placed: the offer cannot be written as SDP");
    return kBadCommand;
  }
  char from[CIPI_TEXT_SIZE + 64];
  re_snprintf(from, sizeof from, "sip:%s@%J", request.calling[0] ? request.calling : "tarrowsip",
              &local);
  struct mbuf* body = mbuf_alloc(sdp.size());
  int err = body ? mbuf_write_str(body, sdp.c_str()) : ENOMEM;
  if (!err) {
    mbuf_set_pos(body, 0);
    err = sipsess_connect(&call->session, sock, request.destination, nullptr, from, "tarrowsip",
                          nullptr, 0, "application/sdp", body, nullptr, nullptr, false,
                          OnSessionOffer, OnSessionAnswer, OnSessionProgress, OnSessionEstablished,
                          nullptr, nullptr, OnSessionClose, call.get(), "");
  }
  mem_deref(body);
  if (err) {
    Trace(1, name + " not placed: " + strerror(err));
    return kStackRefused;
  }
  Trace(3, "call " + std::to_string(id) + " placed to \"" + request.destination + "\"");
  calls.emplace(id, std::move(call));
  return 0;
}

bool SipStack::Impl::Selected(Call& call, const struct sip_msg* msg) {
  CIPI_MediaDescription media;
  std::string why = "no SDP answer";
  const size_t size = msg->mb ? mbuf_get_left(msg->mb) : 0;
  if (size == 0 ||
      !SdpToMedia(reinterpret_cast<const char*>(mbuf_buf(msg->mb)), size, media, why)) {
    Trace(2, call, "answer refused: " + why);
    return false;
  }
  Trace(3, call, "media selected by the far end");
  output->Event(Event_CIPI_MediaSelected, call.id, &media, sizeof media);
  return true;
}

}  // namespace tarrowsip
