// Line and session attach and detach: the line record, its driver connection and session, and
// the association with the address the line talks to.
#include <cstring>
#include <new>

#include "api/async_context.h"
#include "api/driver_access.h"
#include "api/font_table.h"
#include "api/frame.h"
#include "api/line.h"
#include "api/memory.h"
#include "api/result.h"
#include "api/session_watch.h"
#include "trace/api_log.h"

namespace vtx {
namespace {

using trace::kLevelError;
using trace::kLevelInfo;

constexpr int32_t kMaxOrdinal = 4048;  // channel ordinals are below this
constexpr int32_t kMaxSearchUnit = 32767;

void FreeLine(VtxLine* line) {
  ReleaseFontTable(line);  // the font names a configuration sequence left open
  int32_t ordinal = line->ordinal;
  DriverClose(&line->drv_handle);
  api::ForgetAsyncContext(line);
  line->~VtxLine();
  api::MemFree(line, ordinal, api::kMemTagLine);
}

int LineDetachWorker(VtxLine* line, VtxLineArgs* args) {
  trace::CallEntry(line, "VtxLineDetach", nullptr);
  if (args->async_lp != 0) {
    Fail(args, APIERR_ASYNC_LP_ERR);
    trace::CallReturn(line, "VtxLineDetach", args, nullptr);
    return -1;
  }
  if (SessionDestroy(line, line->session, ResultOf(args)) != 0) {
    trace::CallReturn(line, "VtxLineDetach", args, nullptr);
    return -1;
  }
  trace::CallReturn(nullptr, "VtxLineDetach", args, nullptr);
  FreeLine(line);
  return 0;
}

// Detaches a line that an attach gives up on; the attach reports its own result words.
void DetachQuietly(VtxLine* line) {
  VtxLineArgs scratch{};
  LineDetachWorker(line, &scratch);
}

// The address with bit 7 set on its first three non-zero bytes when addresses are 7-bit.
void MarkSevenBit(uint8_t address[4]) {
  if (FullByteAddressMode()) return;
  for (int i = 0; i < 3; ++i) {
    if (address[i] != 0) address[i] |= 0x80;
  }
}

VtxLine* AttachFailed(VtxLine* line, VtxLineArgs* args) {
  trace::CallReturn(line, "VtxSessionAttach", args, "ret=0x%lX", 0ul);
  return nullptr;
}

// The association, addresses and deactivation watch of an attach whose session exists. False
// when the line was detached.
bool Connect(VtxLine* line, VtxLineArgs* args, const uint8_t requested[4]) {
  uint8_t remote[4];
  if (args->attach_option != 0) {
    memcpy(remote, requested, 4);
  } else {
    memcpy(remote, args->dest_addr, 4);
    if (line->ordinal == -1) remote[0] = AnyFacility();
    switch (AddressAssociate(line, line->session, remote, ResultOf(args))) {
      case kAssocNotFound:
        if (args->present != 0) {
          DetachQuietly(line);
          Fail(args, APIERR_INVALID_DEST_ADDR);
          return false;
        }
        break;
      case kAssocInUse:
        if (args->unique != 0) {
          DetachQuietly(line);
          Fail(args, APIERR_BUSY);
          return false;
        }
        break;
      case kAssocError:
        DetachQuietly(line);
        return false;
      default:
        break;
    }
  }
  remote[0] = AnyFacility();
  memcpy(line->dest_addr, remote, 4);
  line->fax.refused = (remote[1] & 0x7F) != 2;  // fax: only a channel has a local identifier
  for (int i = 0; i < 4; ++i) {
    args->local_addr[i] = FullByteAddressMode() ? line->own_addr[i] : line->own_addr[i] & 0x7F;
  }
  trace::Message(line, kLevelInfo, "Communicating with address: %02X.%02X.%02X.%02X", remote[0],
                 remote[1], remote[2], remote[3]);
  if (args->err_on_deact != 0) {
    line->deact_notices = true;
    uint8_t watched[4] = {1, 1, remote[2], remote[3]};
    if (!FullByteAddressMode()) {
      for (int i = 0; i < 3; ++i) watched[i] |= 0x80;
    }
    if (packet::SessionTermWatch(line, watched, ResultOf(args)) != 0) {
      DetachQuietly(line);
      return false;
    }
  }
  return true;
}

VtxLine* SessionAttachWorker(VtxLineArgs* args) {
  const char* name = "VtxSessionAttach";
  const uint8_t* d = args->dest_addr;
  const uint8_t* l = args->local_addr;
  trace::CallEntry(nullptr, name,
                   "dest_addr=%02X %02X %02X %02X,local_addr=%02X %02X %02X %02X,present=%d,"
                   "unique=%d,reset_on_close=%d,buf_size=%u,err_on_deact=%d",
                   d[0], d[1], d[2], d[3], l[0], l[1], l[2], l[3], args->present, args->unique,
                   args->reset_on_close, args->buf_size, args->err_on_deact);
  if (args->async_lp != 0) {
    Fail(args, APIERR_ASYNC_LP_ERR);
    trace::CallReturn(nullptr, name, args, "ret=%d", 0);
    return nullptr;
  }
  const int32_t ordinal = d[2] == 0 ? d[0] * 256 + d[1] : -1;
  trace::Message(nullptr, kLevelInfo, "API Version %s (Build %u)", "5.0.0", 17u);
  if (ordinal >= kMaxOrdinal) {
    trace::Message(nullptr, kLevelError,
                   "MillSessionAttach: Ordinal channel number exceeds max allowed.");
    Fail(args, APIERR_BADPARAMETER);
    return AttachFailed(nullptr, args);
  }
  void* memory = api::MemAlloc(sizeof(VtxLine), ordinal, api::kMemTagLine);
  if (memory == nullptr) {
    trace::Message(nullptr, kLevelError, "MillSessionAttach: Out of memory");
    Fail(args, APIERR_MEMORY);
    return AttachFailed(nullptr, args);
  }
  memset(memory, 0, sizeof(VtxLine));
  VtxLine* line = new (memory) VtxLine();
  line->ordinal = ordinal;
  api::RegisterLineHandle(line);
  switch (DriverOpenHandshake(&line->drv_handle, &line->drv_version)) {
    case kDriverOpenFailed:
      Fail(args, APIERR_DRV_OPEN_ERR);
      FreeLine(line);
      return AttachFailed(nullptr, args);
    case kDriverVersionFailed:
      Fail(args, APIERR_VERSION);
      FreeLine(line);
      return AttachFailed(nullptr, args);
    default:
      break;
  }
  SessionParams params;
  if (args->reset_on_close != 0) params.flags |= VTX_SESSION_RESET_ON_CLOSE;
  if (args->unique != 0) params.flags |= VTX_SESSION_UNIQUE;
  if (args->attach_option != 0) params.flags |= VTX_SESSION_ATTACH50;
  memcpy(params.requested_address, args->local_addr, 4);
  MarkSevenBit(params.requested_address);
  params.buffer_size = args->buf_size;
  params.parm1 = args->session_parm1;
  params.parm2 = args->session_parm2;
  if (SessionCreate(line, params, &line->session, line->own_addr, ResultOf(args)) != 0) {
    FreeLine(line);
    return AttachFailed(nullptr, args);
  }
  const uint8_t mask = AddressByteMask();
  const uint8_t* s = line->own_addr;
  trace::Message(nullptr, kLevelInfo, "Session %X created: %02X.%02X.%02X.%02X", line->session,
                 s[0] & mask, s[1] & mask, s[2] & mask, s[3] & mask);
  if (!Connect(line, args, params.requested_address)) return AttachFailed(nullptr, args);
  // Attached: a channel search tries one unit after another in the same record, so an earlier
  // try's busy failure may still be in the result words.
  SetResult(args, CV_STATUS_OK, 0);
  trace::CallReturn(line, name, args, "ret=0x%lX,local_addr=%02X %02X %02X %02X",
                    static_cast<unsigned long>(reinterpret_cast<uintptr_t>(line)),
                    args->local_addr[0], args->local_addr[1], args->local_addr[2],
                    args->local_addr[3]);
  return line;
}

VtxLine* LineAttachWorker(VtxLineArgs* args) {
  const char* name = "VtxLineAttach";
  trace::CallEntry(nullptr, name, "unit=%d", args->unit);
  if (args->async_lp != 0) {
    Fail(args, APIERR_ASYNC_LP_ERR);
    trace::CallReturn(nullptr, name, args, "ret=%d", 0);
    return nullptr;
  }
  VtxLine* line = nullptr;
  if (args->unit >= 0) {
    args->dest_addr[0] = static_cast<uint8_t>(args->unit / 256);
    args->dest_addr[1] = static_cast<uint8_t>(args->unit % 256);
    args->present = args->unique = args->reset_on_close = args->err_on_deact = 1;
    line = SessionAttachWorker(args);
  } else {
    // A search: the first channel that attaches, past the busy ones.
    for (int32_t unit = 0; unit < kMaxSearchUnit; ++unit) {
      args->unit = unit;
      line = LineAttachWorker(args);
      if (line != nullptr || args->status != CV_STATUS_ERROR || args->line_status != APIERR_BUSY) {
        break;
      }
    }
    if (line == nullptr && args->unit > 0) Fail(args, APIERR_BUSY);
  }
  trace::CallReturn(line, name, args, "ret=0x%lX",
                    static_cast<unsigned long>(reinterpret_cast<uintptr_t>(line)));
  return line;
}

}  // namespace
}  // namespace vtx

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" VtxLine* VtxSessionAttach(VtxLineArgs* args) {
  return Framed<Family::kLine, Carry::kOutput>(vtx::SessionAttachWorker, args);
}

extern "C" VtxLine* VtxLineAttach(VtxLineArgs* args) {
  return Framed<Family::kLine, Carry::kOutput>(vtx::LineAttachWorker, args);
}

extern "C" int VtxLineDetach(VtxLine* line, VtxLineArgs* args) {
  return Framed<Family::kLine, Carry::kInputOnly>(vtx::LineDetachWorker, line, args);
}
