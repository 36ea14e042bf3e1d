// The send and receive operations as the library calls them from inside: the public Mill and
// Vtx operations are these wrapped in the call frame.
#pragma once

#include "vtx.h"

namespace vtx::packet {

int SendPkt(VtxLine* line, MillArgs* args);
int TransmitPkt(VtxLine* line, MillArgs* args);
int SendCmd(VtxLine* line, MillArgs* args);
int FormSendCmd(VtxLine* line, MillArgs* args);  // the tags at args->tag_list
int ReceivePkt(VtxLine* line, MillArgs* args);
int GetNextCmd(VtxLine* line, MillArgs* args);
int WaitCmd(VtxLine* line, MillArgs* args);
int ProcessCmd(VtxLine* line, MillArgs* args);
int RcvProcessPkt(VtxLine* line, MillArgs* args);

}  // namespace vtx::packet
