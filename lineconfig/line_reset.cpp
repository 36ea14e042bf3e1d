// The line reset: abandons outstanding asynchronous work, clears the line's state, resets the
// firmware channel and reads the version reports of its completion, then configures the line
// from the user preference file.
#include <cstring>
#include <type_traits>

#include "admin.h"
#include "api/address_mode.h"
#include "api/async_context.h"
#include "api/driver_access.h"
#include "api/font_table.h"
#include "api/frame.h"
#include "api/line.h"
#include "api/module_queries.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "common.h"
#include "lineconfig/user_config.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "packet/version_report.h"
#include "trace/api_log.h"

namespace vtx::packet {
namespace {

constexpr const char* kName = "VtxLineReset";
constexpr uint32_t kSkipClearing = 0xFFFFFFFF;  // async_lp: refuse without touching the line
constexpr uint32_t kResetDoneWait = 10000;      // ms for each CHANNEL_RESET_DONE
constexpr uint32_t kStateResetting = 8;         // line state while the channel resets

// The line record is plain data, so its per-line part can be cleared by copying a fresh one.
static_assert(std::is_trivially_copyable_v<VtxLine> && std::is_standard_layout_v<VtxLine>,
              "the line reset clears the line record bytewise");

// ASYNC_CANCEL for the line's session. A failure is reported in the record and the reset goes on.
void CancelAsyncRequests(VtxLine* line, VtxLineArgs* args) {
  VtxDrvModuleCtlBlock block{};
  block.word0 = line->session;
  if (!DriverRequest(line, -1, VTX_DRV_ASYNC_CANCEL, &block, "ASYNC_CANCEL")) {
    line->reset_status |= kResetSystemError;
    args->reset_status = line->reset_status;
    Fail(args, APIERR_DRV_IOCTL_ERR);
  }
}

// Abandons the line's pending asynchronous operation: the driver cancels its queued request, the
// line leaves its notification line's pending list and the frame block is released; clearing the
// line state then empties the stack.
void AbandonAsyncWork(VtxLine* line, VtxLineArgs* args) {
  if (line->nesting == 0) return;
  CancelAsyncRequests(line, args);
  api::ReleaseAsyncContext(line);
}

// Everything from the reset status flags to the end of the record goes back to its initial
// value: flags, line state, error reports, receive buffer and pending packet, configuration,
// versions, capabilities and the operation in progress.
void ClearLineState(VtxLine* line) {
  static const VtxLine kInitial{};
  ReleaseFontTable(line);
  constexpr size_t kStart = offsetof(VtxLine, reset_status);
  memcpy(reinterpret_cast<char*>(line) + kStart, reinterpret_cast<const char*>(&kInitial) + kStart,
         sizeof(VtxLine) - kStart);
}

// The end of the reset: the user configuration, then the outcome.
int Configure(VtxLine* line, VtxLineArgs* args) {
  ReadUserConfiguration(line, args);
  args->reset_status = line->reset_status;
  const int ret = args->status != CV_STATUS_OK ? -1 : 0;
  trace::CallReturn(line, kName, args, "ret=%d,reset_status=0x%lX", ret,
                    static_cast<unsigned long>(args->reset_status));
  return ret;
}

int Failed(VtxLine* line, VtxLineArgs* args) {
  args->reset_status = line->reset_status;
  trace::CallReturn(line, kName, args, "ret=-1,reset_status=0x%lX",
                    static_cast<unsigned long>(args->reset_status));
  return -1;
}

// A module line, or one that is not to be initialised: the boot ROM version comes from the
// module information.
void TakeModuleBootVersion(VtxLine* line) {
  VtxModuleInfoArgs info{};
  info.mod_num = line->dest_addr[2] & AddressByteMask();
  if (ModuleInfoWorker(nullptr, &info) != 0) return;
  FirmwareVersion& v = line->firmware.boot_rom_ver;
  v.major = info.boot_ver_major;
  v.middle = info.boot_ver_middle;
  v.minor = info.boot_ver_minor;
  v.build = info.boot_ver_build;
  v.auto_num = info.boot_ver_auto_num;
  memcpy(v.date, info.boot_ver_date, sizeof v.date);
  memcpy(v.comment, info.boot_ver_comment, sizeof v.comment);
}

// Empties the line's input and output and sends CHANNEL_RESET; false with the record's result
// words set by the first step that failed.
bool SendChannelReset(VtxLine* line, VtxLineArgs* args) {
  MillArgs clear{};
  MillClearInput(line, &clear);
  if (clear.status == CV_STATUS_OK) {
    memcpy(clear.dest_addr, line->dest_addr, 4);
    clear.dest_addr[0] = AnyFacility();
    MillClearOutput(line, &clear);
  }
  if (clear.status != CV_STATUS_OK) {
    CopyResult(args, clear);
    return false;
  }
  MillArgs send{};
  send.facility = MILL_FACILITY_ADMIN;
  send.verb = MILL_VERB_REQUEST;
  send.code = ADMIN_CHANNEL_RESET_REQUEST;
  send.timeout = kForever;
  FormSendCmd(line, &send);
  if (send.status != CV_STATUS_OK) {
    CopyResult(args, send);
    return false;
  }
  return true;
}

// What one CHANNEL_RESET_DONE said besides its versions.
struct ResetDone {
  uint32_t continuation = 0;
  uint32_t result_code = 0;
};

ResetDone ReadResetDone(VtxLine* line, const MillArgs& event) {
  ResetDone done;
  TagReader tags(event.tag_ptr, event.tags_left, false);
  Tag tag;
  while (tags.Next(tag)) {
    const bool version = tag.id == ADMIN_BOOT_ROM_VER_VAR || tag.id == ADMIN_CONTROL_PROC_VER_VAR ||
                         tag.id == ADMIN_DSP_VER_VAR;
    if (version && !tag.IsList()) {
      trace::Message(line, trace::kLevelInfo, "Warning - version parameter size should be LIST.");
      continue;
    }
    switch (tag.id) {
      case ADMIN_BOOT_ROM_VER_VAR:
        ReadVersionList(line, tag, &line->firmware.boot_rom_ver, nullptr);
        break;
      case ADMIN_CONTROL_PROC_VER_VAR:
        ReadVersionList(line, tag, &line->firmware.control_proc_ver, nullptr);
        break;
      case ADMIN_DSP_VER_VAR: {
        FirmwareVersion dsp{};
        DspLoadMask mask;
        ReadVersionList(line, tag, &dsp, &mask);
        StoreDspVersion(line, dsp, mask);
        break;
      }
      case COMMON_CONTINUATION_VAR:
        done.continuation = static_cast<uint32_t>(tag.Int());
        break;
      case COMMON_RESULT_CODE_VAR:
        done.result_code = static_cast<uint32_t>(tag.Int());
        break;
      default:
        break;
    }
  }
  return done;
}

// Reads CHANNEL_RESET_DONE events until one without continuation, then configures the line.
int CollectResetDone(VtxLine* line, VtxLineArgs* args) {
  line->line_state = kStateResetting;
  for (;;) {
    MillArgs event{};
    event.facility = MILL_FACILITY_ADMIN;
    event.verb = MILL_VERB_EVENT;
    event.code = ADMIN_CHANNEL_RESET_DONE_EVENT;
    event.timeout = kResetDoneWait;
    event.no_drain = 1;
    event.no_process = 1;
    if (WaitCmd(line, &event) != 1) {
      CopyResult(args, event);
      if (event.status == CV_STATUS_TIMEOUT) line->reset_status |= kResetWait;
      return Failed(line, args);
    }
    const ResetDone done = ReadResetDone(line, event);
    event.timeout = 0;
    while (GetNextCmd(line, &event) == 1) {
    }
    if (done.result_code != 0) {
      args->status = CV_STATUS_ERROR;
      line->reset_status |= kResetFailure;
      return Failed(line, args);
    }
    if (event.status != CV_STATUS_OK && event.status != CV_STATUS_TIMEOUT) {
      CopyResult(args, event);
      return Failed(line, args);
    }
    if (done.continuation == 0) {
      line->line_state = 0;
      return Configure(line, args);
    }
  }
}

int LineResetWorker(VtxLine* line, VtxLineArgs* args) {
  const char* file = args->config_file_name;
  trace::CallEntry(line, kName,
                   "config_file_name=%s,use_config_lines=%d,mill_load_fonts=%d,skip_teleph=%d,"
                   "no_init=%d",
                   file != nullptr ? file : "(NULL)", static_cast<int>(args->use_config_lines),
                   static_cast<int>(args->mill_load_fonts), static_cast<int>(args->skip_teleph),
                   static_cast<int>(args->no_init));
  if (line == nullptr) {
    Fail(args, APIERR_BADPARAMETER);
    trace::CallReturn(line, kName, args, "ret=%d", -1);
    return -1;
  }
  if (args->async_lp != kSkipClearing) {
    AbandonAsyncWork(line, args);
    ClearLineState(line);
  }
  if (args->async_lp != 0 || line->nesting != 0) {
    Fail(args, APIERR_ASYNC_LP_ERR);
    trace::CallReturn(line, kName, args, "ret=%d", -1);
    return -1;
  }
  if ((line->dest_addr[1] & AddressByteMask()) < 2 || args->no_init != 0) {
    TakeModuleBootVersion(line);
    return Configure(line, args);
  }
  trace::Message(line, trace::kLevelReset, "Reset channel");
  if (!SendChannelReset(line, args)) return Failed(line, args);
  return CollectResetDone(line, args);
}

}  // namespace
}  // namespace vtx::packet

extern "C" int VtxLineReset(VtxLine* line, VtxLineArgs* args) {
  using vtx::api::Carry;
  using vtx::api::Family;
  return vtx::api::Framed<Family::kLine, Carry::kOutput>(vtx::packet::LineResetWorker, line, args);
}
