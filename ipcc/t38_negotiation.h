// T.38 parameters in media descriptions: the host writes its own into the T.38 media of its
// offers and reads the far end's from the media it is offered or that the far end selected. An
// offer from the far end is settled down to the host module's limits and always accepted; a
// selection of the host's own offer is checked strictly and refused on the first parameter that
// breaks a limit.
#pragma once

#include <cstdint>
#include <string>

#include "callctrl/hostlib/cipi_events.h"
#include "vtx.h"

namespace vtx::ipcc {

// The board module and channel of a call, which head its messages ("[%X,%X]").
struct CallPlace {
  uint32_t module = 0;
  uint32_t channel = 0;
};

// Class "image" (case ignored), transport 2 and a format "t38".
bool IsT38Description(const CIPI_MediaDescription& media);

// Writes the nine T.38 attributes of `params` (replacing every attribute); nothing for a
// description that is not T.38.
void WriteOwnT38Params(CIPI_MediaDescription& media, const VtxT38Params& params);
// Overlays the T.38 attributes the description carries on `params`.
void ReadFarEndT38Params(const CIPI_MediaDescription& media, VtxT38Params& params);

// Settles each word of an offered record against the limits; always accepted.
void NegotiateT38Offer(VtxT38Params& working, const VtxT38Params& limits);
// False, with the first violation's message (traced, and in `why` when given), when the
// selection breaks a limit.
bool CheckT38Selection(const VtxT38Params& working, const VtxT38Params& limits,
                       const CallPlace& place, std::string* why = nullptr);

// A media record of a call: its T.38 parameters once settled.
struct MediaRecord {
  bool valid = false;
  uint32_t handle = 0;  // "hmr" in messages
  VtxT38Params t38{};
};

// The T.38 parameters of a media event: the far end's read over the limits, then negotiated
// (Event_CIPI_MediaOffer) or checked (Event_CIPI_MediaSelected), and kept in the call's current
// media record. False for any other event, an invalid media record or a refused selection.
bool ProcessMediaT38Params(const CallPlace& place, uint32_t call, uint32_t event,
                           const CIPI_MediaDescription& media, const VtxT38Params& limits,
                           MediaRecord& current, std::string* why = nullptr);

}  // namespace vtx::ipcc
