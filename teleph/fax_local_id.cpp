// The local identifier a fax channel announces, and the abort of a channel's fax session.
#include <cstring>

#include "api/frame.h"
#include "api/line.h"
#include "api/result.h"
#include "fax.h"
#include "packet/send_receive.h"
#include "packet/variables.h"
#include "teleph/fax_ops.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr size_t kLocalIdLength = 20;
constexpr uint32_t kLocalIdType = 0x10;  // Byte elements, unit Char
constexpr uint32_t kForever = 0xFFFFFFFF;

// The firmware reads the identifier from its last character: the text goes in reversed, the
// rest of the field blank. A longer text contributes its last 20 characters.
void IdentifierField(const char* text, uint8_t field[kLocalIdLength]) {
  size_t left = text != nullptr ? strlen(text) : 0;
  for (size_t i = 0; i < kLocalIdLength; ++i) {
    field[i] = left > 0 ? static_cast<uint8_t>(text[--left]) : ' ';
  }
}

template <typename Record>
bool Nested(const VtxLine* line, const Record* args) {
  return args->async_lp != 0 || (line != nullptr && line->nesting != 0);
}

}  // namespace

int FaxSetLocalId(VtxLine* line, VtxFaxLocalIdArgs* args) {
  const char* name = "VtxFaxSetLocalId";
  trace::CallEntry(line, name, "local_id=%s",
                   args->local_id != nullptr ? args->local_id : "(NULL)");
  int ret = -1;
  if (line != nullptr && line->fax.refused != 0) {
    Fail(args, APIERR_BOARDCAPABILITY);
  } else if (line == nullptr || Nested(line, args)) {
    Fail(args, line == nullptr ? APIERR_BADPARAMETER : APIERR_ASYNC_LP_ERR);
  } else {
    uint8_t field[kLocalIdLength];
    IdentifierField(args->local_id, field);
    MillArgs set{};
    set.facility = MILL_FACILITY_FAX;
    set.tag_id = FAX_LOCAL_ID_VAR;
    set.tag_type = kLocalIdType;
    set.tag_data_len = kLocalIdLength;
    set.tag_data_ptr = field;
    set.incoming_flag = 2;
    set.timeout = kForever;
    if ((packet::SetSingleVar(line, &set) & MILL_SEND_SENT) != 0) {
      ret = 0;
    } else {
      CopyResult(args, set);
    }
  }
  trace::CallReturn(line, name, args, "ret=%d", ret);
  return ret;
}

void FaxAbort(VtxLine* line, VtxFaxArgs* args) {
  const char* name = "VtxFaxAbort";
  trace::CallEntry(line, name, nullptr);
  if (line == nullptr || (args->async_lp == 0 && line->nesting != 0)) {
    Fail(args, line == nullptr ? APIERR_BADPARAMETER : APIERR_ASYNC_LP_ERR);
  } else {
    // A priority FINISH overtakes the session's queued data; no answer is awaited.
    MillArgs finish{};
    finish.facility = MILL_FACILITY_FAX;
    finish.verb = MILL_VERB_FINISH;
    finish.code = FAX_XMIT_RCV_MODE;
    finish.prio = 1;
    finish.incoming_flag = 2;
    finish.timeout = kForever;
    if ((packet::FormSendCmd(line, &finish) & MILL_SEND_SENT) == 0) {
      CopyResult(args, finish);
    }
  }
  trace::CallReturn(line, name, args, nullptr);
}

}  // namespace vtx::teleph

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" int VtxFaxSetLocalId(VtxLine* line, VtxFaxLocalIdArgs* args) {
  return Framed<Family::kFax, Carry::kInputOnly>(vtx::teleph::FaxSetLocalId, line, args);
}

extern "C" void VtxFaxAbort(VtxLine* line, VtxFaxArgs* args) {
  Framed<Family::kFax, Carry::kInputOnly>(vtx::teleph::FaxAbort, line, args);
}
