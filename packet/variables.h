// Firmware variables: SET one or several tags of a facility, GET one back through its GET_RSP.
// The public VtxSetSingleVar, VtxSetVars and VtxGetVar are these in the call frame.
#pragma once

#include "vtx.h"

namespace vtx::packet {

// Writes the variable `tag_id` of `facility` (`tag_data_len` 0: `var_value` as an integer of the
// type's base size). Returns the send result bits.
int SetSingleVar(VtxLine* line, MillArgs* args);
// Writes the tags of the list at `tag_list` in one SET. Returns the send result bits.
int SetVars(VtxLine* line, MillArgs* args);
// Reads the variable `tag_id` of `facility`: its tag into the tag fields (the data stays in the
// receive buffer) and, for an integer type, its first element into `var_value`.
void GetVar(VtxLine* line, MillArgs* args);

}  // namespace vtx::packet
