// The SIP library's conversion between SDP bodies and media descriptions. A far end's body is
// read into the one medium the framework is offered: the first "image udptl t38" medium when
// there is one, else the first medium with a port. Our own description is written back as a
// complete session with that single medium. A body is untrusted: every count, number and text is
// checked, and a body that cannot be described faithfully is refused with its reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "callctrl/hostlib/cipi_events.h"

namespace tarrowsip {

constexpr uint32_t kTransportRtp = 1;  // "RTP/AVP"; T.38's "udptl" is CIPI_TRANSPORT_UDPTL

// False, with the reason in `why`, for a body without a usable medium or with a value that does
// not fit the description (unknown transport, bad port or address, a text over 50 characters).
bool SdpToMedia(const char* body, size_t size, CIPI_MediaDescription& media, std::string& why);

// The SDP body of `media`: `session` names the session in its origin line, `version` counts its
// descriptions. False for a description that cannot be written (unknown transport, no format).
bool MediaToSdp(const CIPI_MediaDescription& media, uint32_t session, uint32_t version,
                std::string& body);

}  // namespace tarrowsip
