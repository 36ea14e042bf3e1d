// Firmware download: an image goes to the module's ADMIN facility as raw DATA between a START
// and a FINISH of the firmware download mode. A control-processor image (type 2) needs the
// module reset and reconfigured before and after it.
#include <cstdio>
#include <cstring>
#include <string>

#include "admin.h"
#include "api/frame.h"
#include "api/line.h"
#include "api/module_control.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "os/file.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "teleph/board_ops.h"
#include "teleph/request.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

// The largest firmware image read: a module's images are a few megabytes.
constexpr uint64_t kFirmwareFileLimit = 256 << 20;
constexpr uint32_t kTypeCount = 4;
constexpr uint32_t kTypeControlProc = 2;
constexpr uint32_t kTypeCapability[kTypeCount] = {75, 76, 74, 73};
constexpr uint32_t kFlowDownload = 2;

int ExchangeFailed(VtxFirmwareArgs* args, const MillArgs& exchange) {
  CopyResult(args, exchange);
  return -1;
}

MillArgs AdminCommand(uint32_t verb, uint32_t code) {
  MillArgs args{};
  args.facility = MILL_FACILITY_ADMIN;
  args.verb = verb;
  args.code = code;
  args.incoming_flag = 2;
  args.timeout = packet::kForever;
  return args;
}

// The download is over for the line, whatever the module made of it.
void EndDownload(VtxLine* line) {
  line->fax.flow_word = line->board.fw_saved_flow_word;
  line->board.fw_download = false;
}

int Start(VtxLine* line, VtxFirmwareArgs* args) {
  if (args->buf == nullptr || args->dl_type >= kTypeCount) {
    return Fail(args, APIERR_BADPARAMETER);
  }
  if (!HasCapability(line, kTypeCapability[args->dl_type])) {
    return Fail(args, APIERR_BOARDCAPABILITY);
  }
  if (args->dl_type == kTypeControlProc) {
    trace::Message(line, trace::kLevelInfo, "Pre ctrl proc firmware module reset");
    if (!ModuleReset(line, ResultOf(args))) return -1;
    trace::Message(line, trace::kLevelInfo, "Pre ctrl proc firmware module reconfig");
    if (!ModuleReconfig(line, args->config_spec_value, ResultOf(args))) return -1;
  }
  MillArgs start = AdminCommand(MILL_VERB_START, ADMIN_FIRMWARE_DOWNLOAD_MODE);
  const MillTagItem typed[] = {
      {ADMIN_FIRMWARE_DL_TYPE_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(args->dl_type)},
      {ADMIN_FIRMWARE_DESTINATION_VAR, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(args->dl_dest)},
      {0, 0, 0, nullptr}};
  const MillTagItem none[] = {{0, 0, 0, nullptr}};
  start.tag_list = args->specify_type != 0 ? typed : none;
  if ((packet::FormSendCmd(line, &start) & MILL_SEND_SENT) == 0) {
    return ExchangeFailed(args, start);
  }
  MillArgs started;
  if (WaitEvent(line, &started, MILL_FACILITY_ADMIN, ADMIN_FW_DOWNLOAD_STARTED_EVENT,
                packet::kForever) != 1) {
    return ExchangeFailed(args, started);
  }
  if (!DrainRest(line, &started, ResultOf(args))) return -1;
  line->board.fw_download = true;
  line->board.fw_dl_type = args->dl_type;
  line->board.fw_saved_flow_word = line->fax.flow_word;
  line->fax.flow_word = kFlowDownload;
  return 0;
}

// Raw DATA to the module's ADMIN facility, as much as the driver takes at a time. A line whose
// data flow stopped (its module went away) ends the download without result words.
int SendData(VtxLine* line, VtxFirmwareArgs* args) {
  uint32_t sent = 0;
  while (sent < args->size) {
    if (line->fax.flow_word == 0) {
      EndDownload(line);
      return -1;
    }
    MillArgs data{};
    data.raw_data = 1;
    data.pkt_buf = const_cast<uint8_t*>(args->buf + sent);
    data.pkt_len = args->size - sent;
    data.data_bits = 8 * data.pkt_len;
    data.incoming_flag = 3;
    data.timeout = packet::kForever;
    memcpy(data.dest_addr, line->dest_addr, 4);
    data.dest_addr[0] = MILL_FACILITY_ADMIN;
    memcpy(data.src_addr, line->own_addr, 4);
    const int result = packet::TransmitPkt(line, &data);
    if ((result & MILL_SEND_FAILED) != 0) return ExchangeFailed(args, data);
    if ((result & MILL_SEND_SENT) != 0) sent += data.pkt_len_field;
  }
  return 0;
}

int Finish(VtxLine* line, VtxFirmwareArgs* args) {
  const uint32_t dl_type = line->board.fw_dl_type;
  MillArgs finish = AdminCommand(MILL_VERB_FINISH, ADMIN_FIRMWARE_DOWNLOAD_MODE);
  if ((packet::FormSendCmd(line, &finish) & MILL_SEND_SENT) == 0) {
    EndDownload(line);
    return ExchangeFailed(args, finish);
  }
  MillArgs finished;
  const bool answered = WaitEvent(line, &finished, MILL_FACILITY_ADMIN,
                                  ADMIN_FW_DOWNLOAD_FINISHED_EVENT, packet::kForever) == 1;
  EndDownload(line);
  if (!answered) return ExchangeFailed(args, finished);
  uint32_t result = CommandTagInt(finished, ADMIN_DOWNLOAD_RESULT_VAR);
  if (!DrainRest(line, &finished, ResultOf(args))) return -1;
  if (dl_type == kTypeControlProc && result == VTX_FW_RESULT_RESET_NEEDED) {
    trace::Message(line, trace::kLevelInfo, "Post flash update module reset");
    if (!ModuleReset(line, ResultOf(args))) return -1;
    result = 0;
  }
  if (result != 0) {
    FirmwareRefused(line, ResultOf(args), kFirmwareErrorClass, result,
                    "Download error, result code %d");
    line->reset_status |= kResetFirmwareError;
    return static_cast<int>(result);
  }
  if (dl_type == kTypeControlProc) {
    trace::Message(line, trace::kLevelInfo, "Post ctrl proc firmware module reconfig, conf spec %d",
                   static_cast<int>(args->config_spec_value));
    if (!ModuleReconfig(line, args->config_spec_value, ResultOf(args))) return -1;
    trace::Message(line, trace::kLevelInfo, "Ctrl proc firmware download sequence done.");
  }
  return 0;
}

void TraceProgress(VtxLine* line, uint32_t total) {
  trace::Message(line, trace::kLevelInfo, "download %d", static_cast<int>(total));
}

// Sends the open file piece by piece: 0 when every piece went out, else the failing piece's
// result (its result words in `args`).
int SendFile(VtxLine* line, VtxFirmwareArgs* args, FILE* file) {
  uint8_t piece[kFirmwarePiece];
  uint32_t total = 0;
  uint32_t mark = kFirmwareProgress;
  bool traced = false;
  for (;;) {
    const size_t got = fread(piece, 1, sizeof piece, file);
    if (got > 0) {
      VtxFirmwareArgs data = *args;
      data.buf = piece;
      data.size = static_cast<uint32_t>(got);
      const int ret = FirmwareDownloadData(line, &data);
      CopyResult(args, data);
      if (ret != 0) return ret;
      total += data.size;
      traced = total >= mark;
      if (traced) {
        TraceProgress(line, total);
        mark = total + kFirmwareProgress;
      }
    }
    if (got == sizeof piece) continue;
    if (ferror(file) != 0) {
      trace::Message(line, trace::kLevelError, "Download: file read error");
      return Fail(args, APIERR_FILEIO);
    }
    if (!traced) TraceProgress(line, total);
    return 0;
  }
}

}  // namespace

int FirmwareDownloadData(VtxLine* line, VtxFirmwareArgs* args) {
  const char* name = "VtxFirmwareDownloadData";
  trace::CallEntry(line, name,
                   "buf=0x%lX,size=%u,specify_type=%d,dl_type=%u,dl_dest=0x%X,"
                   "config_spec_value=%u",
                   static_cast<unsigned long>(reinterpret_cast<uintptr_t>(args->buf)), args->size,
                   args->specify_type, args->dl_type, args->dl_dest, args->config_spec_value);
  int ret = -1;
  if (OperationAllowed(line, args->async_lp, {}, ResultOf(args))) {
    if (HasCapability(line, kCapNoDownload)) {
      ret = 0;
    } else if (line->board.fw_download || (ret = Start(line, args)) == 0) {
      ret = args->buf != nullptr ? SendData(line, args) : Finish(line, args);
    }
  }
  trace::CallReturn(line, name, args, "ret=%d", ret);
  return ret;
}

int FirmwareDownload(VtxLine* line, VtxFirmwareArgs* args) {
  const char* name = "VtxFirmwareDownload";
  trace::CallEntry(line, name,
                   "fname=%s,specify_type=%d,dl_type=%u,dl_dest=0x%X,"
                   "config_spec_value=%u",
                   args->fname != nullptr ? args->fname : "(NULL)", args->specify_type,
                   args->dl_type, args->dl_dest, args->config_spec_value);
  int ret = -1;
  if (OperationAllowed(line, args->async_lp, {}, ResultOf(args))) {
    std::string error;
    FILE* file = args->fname != nullptr
                     ? os::OpenRegularFile(args->fname, true, kFirmwareFileLimit, error)
                     : nullptr;
    if (file == nullptr) {
      trace::Message(line, trace::kLevelError, "download: file open error");
      if (!error.empty()) trace::Message(line, trace::kLevelError, "download: %s", error.c_str());
      Fail(args, APIERR_FILEIO);
    } else {
      ret = SendFile(line, args, file);
      os::FileClose(file);
      if (ret == 0) {
        VtxFirmwareArgs end = *args;
        end.buf = nullptr;
        end.size = 0;
        ret = FirmwareDownloadData(line, &end);
        CopyResult(args, end);
      } else if (line->board.fw_download) {
        EndDownload(line);  // the image stopped half-way: the next call starts afresh
      }
    }
  }
  trace::CallReturn(line, name, args, "ret=%d", ret);
  return ret;
}

}  // namespace vtx::teleph

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" int VtxFirmwareDownload(VtxLine* line, VtxFirmwareArgs* args) {
  return Framed<Family::kFirmware, Carry::kInputOnly>(vtx::teleph::FirmwareDownload, line, args);
}

extern "C" int VtxFirmwareDownloadData(VtxLine* line, VtxFirmwareArgs* args) {
  return Framed<Family::kFirmware, Carry::kInputOnly>(vtx::teleph::FirmwareDownloadData, line,
                                                      args);
}
