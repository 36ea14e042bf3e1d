// VtxDebugControl and the distribution of a trace-control record (DEBUG_OPTIONS bit 0x1) to the
// other trace users of the machine through the driver: the API trace part to channel ordinals, the
// call-control part to the first call-control module and the IP call-control part to every IP
// call-control module. The record travels as HOST_CTRL EXT_DEBUG requests on a session of its own.
#include <cerrno>
#include <cstring>
#include <iterator>

#include "api/driver_access.h"
#include "api/frame.h"
#include "api/line.h"
#include "api/result.h"
#include "hostctrl.h"
#include "os/driver.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "trace/api_log.h"
#include "trace/cc_trace.h"

namespace vtx::packet {
namespace {

using trace::kLevelError;
using trace::Message;

constexpr uint32_t kCcBits = 0x7F0;  // call-control kinds 0 to 5 and the call-control file
constexpr uint32_t kCcBoardBits = VTX_DEBUG_CC_API | VTX_DEBUG_CC_L3L4 | VTX_DEBUG_CC_L4L3 |
                                  VTX_DEBUG_CC_INTERNAL | VTX_DEBUG_CC_HOST_MODULE |
                                  VTX_DEBUG_CC_FILE;
constexpr uint8_t kEccFacility = 0x12;
constexpr uint8_t kIpCcFacility = 0x13;
constexpr uint32_t kFirstIpModule = 129;
constexpr uint32_t kLastIpModule = 143;
constexpr uint32_t kTextType = MILL_TYPE_BYTE | (MILL_UNIT_CHAR << MILL_TYPE_UNIT_SHIFT);

// The session the record travels on, opened for the distribution alone.
class Distributor {
 public:
  explicit Distributor(VtxDebugControlArgs* args) : args_(args) {}
  ~Distributor() {
    if (line_.session != 0) SessionDestroy(&line_, line_.session, &scratch_);
    DriverClose(&line_.drv_handle);
  }

  bool Open() {
    if (DriverOpenHandshake(&line_.drv_handle, &line_.drv_version) != kDriverReady) {
      Fail(args_, APIERR_DRV_OPEN_ERR);
      return false;
    }
    return SessionCreate(&line_, SessionParams{}, &line_.session, line_.own_addr,
                         ResultOf(args_)) == 0;
  }

  // The API trace part, to the target ordinal or to every ordinal.
  bool ApiPart(uint32_t options) {
    const bool direct = args_->dest_addr[0] != 0;
    for (int32_t ordinal = args_->target_ordinal < 0 ? 0 : args_->target_ordinal;; ++ordinal) {
      uint8_t address[4];
      if (direct) {
        memcpy(address, args_->dest_addr, 4);
      } else {
        const uint8_t by_ordinal[4] = {static_cast<uint8_t>(ordinal >> 8),
                                       static_cast<uint8_t>(ordinal), 0, 0};
        memcpy(address, args_->assoc_addr[0] != 0 ? args_->assoc_addr : by_ordinal, 4);
        const Association found = Associate(address);
        if (found == Association::kFailed) return false;
        if (found == Association::kEnd) break;
        if (found == Association::kSkip) continue;
      }
      if (!SendApiRecord(address, options)) return false;
      // One target, or a fixed destination that no walk can move on from.
      if (args_->target_ordinal >= 0 || direct) break;
    }
    return true;
  }

  // Sends the call-control tags to the first module of `facility` in [first, last] (or every
  // one of them) that exists.
  bool CcPart(uint8_t facility, uint32_t first, uint32_t last, uint32_t options, bool every) {
    for (uint32_t module = first; module <= last; ++module) {
      const uint8_t address[4] = {facility, 1, static_cast<uint8_t>(module), line_.own_addr[3]};
      VtxDrvAddressCheckBlock check{};
      memcpy(check.address, address, 4);
      if (os::DeviceRequest(line_.drv_handle, VTX_DRV_ADDRESS_CHECK, &check) != 0 ||
          check.result != 0) {
        continue;
      }
      const char* file = args_->debug_cc_trace_file;
      const MillTagItem tags[] = {
          {HOST_CTRL_DEBUG_OPTIONS_VAR, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(options)},
          {HOST_CTRL_DEBUG_CC_TRACE_LEVEL_VAR, MILL_TYPE_LONG, 0,
           MILL_TAG_VALUE(args_->debug_cc_trace_level)},
          {(options & VTX_DEBUG_CC_FILE) && file ? HOST_CTRL_DEBUG_CC_TRACE_FILE_VAR : 0u,
           kTextType, file ? static_cast<uint32_t>(strlen(file) + 1) : 0, file}};
      if (!Send(address, tags, std::size(tags))) return false;
      if (!every) break;
    }
    return true;
  }

 private:
  enum class Association { kDone, kSkip, kEnd, kFailed };

  // The address of an ordinal (out); an ordinal without a channel is skipped, and the walk ends
  // past the last one.
  Association Associate(uint8_t address[4]) {
    VtxDrvAssocBlock block{};
    block.session = line_.session;
    memcpy(block.address, address, 4);
    if (os::DeviceRequest(line_.drv_handle, VTX_DRV_ADDRESS_ASSOC, &block) != 0) {
      Message(nullptr, kLevelError, "ADDRESS_ASSOC: %s", strerror(errno));
      Fail(args_, APIERR_DRV_IOCTL_ERR);
      return Association::kFailed;
    }
    switch (block.drv_status) {
      case GDI_STS_OK:
        memcpy(address, block.address, 4);
        return Association::kDone;
      case GDI_STS_PORTNOTEXIST:
        return Association::kSkip;
      case GDI_STS_NODATA:
        return Association::kEnd;
      default: {
        const uint8_t* a = block.address;
        Message(nullptr, kLevelError, "Error checking for addr %02X.%02X.%02X.%02X: %s", a[0], a[1],
                a[2], a[3], VtxDrvStatusName(block.drv_status));
        Fail(args_, APIERR_INVALID_DEST_ADDR);
        return Association::kFailed;
      }
    }
  }

  bool SendApiRecord(const uint8_t address[4], uint32_t options) {
    const VtxDebugControlArgs& a = *args_;
    const bool mode = (options & VTX_DEBUG_SET_MODE) != 0;
    const bool second = mode && a.debug_fname1 && a.debug_fname2 && a.debug_file_limit > 0;
    auto text = [](const char* s) { return s ? static_cast<uint32_t>(strlen(s) + 1) : 0u; };
    const MillTagItem tags[] = {
        {HOST_CTRL_DEBUG_OPTIONS_VAR, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(options)},
        {mode ? HOST_CTRL_DEBUG_MODE_VAR : 0u, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(a.debug_mode)},
        {mode && a.debug_fname1 ? HOST_CTRL_DEBUG_FNAME1_VAR : 0u, kTextType, text(a.debug_fname1),
         a.debug_fname1},
        {second ? HOST_CTRL_DEBUG_FNAME2_VAR : 0u, kTextType, text(a.debug_fname2), a.debug_fname2},
        {second ? HOST_CTRL_DEBUG_FILE_LIMIT_VAR : 0u, MILL_TYPE_LONG, 0,
         MILL_TAG_VALUE(a.debug_file_limit)},
        {(options & VTX_DEBUG_SET_FUNC_OPTS) ? HOST_CTRL_DEBUG_FUNC_DBG_OPTS_VAR : 0u,
         MILL_TYPE_LONG, 0, MILL_TAG_VALUE(a.debug_func_dbg_opts)}};
    return Send(address, tags, std::size(tags));
  }

  // A HOST_CTRL REQUEST EXT_DEBUG with those of the `count` tags whose id is not 0.
  bool Send(const uint8_t address[4], const MillTagItem* tags, size_t count) {
    constexpr size_t kMaxTags = 8;
    MillTagItem present[kMaxTags + 1];
    size_t used = 0;
    for (size_t i = 0; i < count && used < kMaxTags; ++i) {
      if (tags[i].tag_id != 0) present[used++] = tags[i];
    }
    present[used] = MillTagItem{0, 0, 0, nullptr};
    uint8_t command[MILL_MAX_SEND_CMD];
    uint8_t packet[MILL_HEADER_LEN + MILL_MAX_SEND_CMD];
    MillArgs args{};
    args.cmd_buf = command;
    args.verb = MILL_VERB_REQUEST;
    args.code = HOST_CTRL_EXT_DEBUG_REQUEST;
    if (MillFormCmd(&args, present) < 0 || args.cmd_len > MILL_MAX_SEND_CMD) {
      Fail(args_, APIERR_PACKET_CREATION);
      return false;
    }
    memcpy(args.dest_addr, address, 4);
    // A channel's address names no facility of its own: its host control is meant.
    if (args.dest_addr[0] == 0) args.dest_addr[0] = MILL_FACILITY_HOST_CTRL;
    memcpy(args.src_addr, line_.own_addr, 4);
    args.src_addr[0] = MILL_FACILITY_HOST_CTRL;
    args.pkt_saved = 1;  // the commands' facility travels in the source address
    FormPacketAt(&args, packet);
    args.pkt_saved = 0;
    args.timeout = 0xFFFFFFFF;
    if ((SendPkt(&line_, &args) & MILL_SEND_SENT) != 0) return true;
    CopyResult(args_, args);
    return false;
  }

  VtxDebugControlArgs* args_;
  VtxLine line_;
  VtxResult scratch_{};
};

// Sends the record, applies its call-control bits here too, writes the result words and returns
// 0, or -1 on failure.
int DistributeControl(VtxDebugControlArgs* args) {
  const uint32_t options = args->debug_options & ~(VTX_DEBUG_DISTRIBUTE | VTX_DEBUG_SET_FUNCTION);
  Distributor distributor(args);
  if (!distributor.Open()) return -1;
  const uint32_t api = options & ~kCcBits;
  if (api != 0 && !distributor.ApiPart(api)) return -1;
  if ((options & kCcBoardBits) != 0) {
    if (!distributor.CcPart(kEccFacility, 2, HighestModuleNumber() - 1, options & kCcBoardBits,
                            false)) {
      return -1;
    }
    trace::cc::ApplyControl(options & kCcBoardBits, args->debug_cc_trace_level,
                            args->debug_cc_trace_file);
  }
  if ((options & VTX_DEBUG_CC_IP_STACK) != 0) {
    if (!distributor.CcPart(kIpCcFacility, kFirstIpModule, kLastIpModule, VTX_DEBUG_CC_IP_STACK,
                            true)) {
      return -1;
    }
    trace::cc::ApplyControl(VTX_DEBUG_CC_IP_STACK, args->debug_cc_trace_level, nullptr);
  }
  return 0;
}

// A record with the distribution bit goes to the other trace users; any other is applied here.
int DebugControlWorker(VtxDebugControlArgs* args) {
  if (args == nullptr) return -1;
  trace::CallEntry(nullptr, "VtxDebugControl", "debug_options=0x%X,debug_mode=0x%X",
                   args->debug_options, args->debug_mode);
  int ret = 0;
  if ((args->debug_options & VTX_DEBUG_DISTRIBUTE) != 0) {
    SetResult(args, CV_STATUS_OK, 0);
    ret = DistributeControl(args);
  } else {
    ret = trace::ApplyControl(args);
  }
  trace::CallReturn(nullptr, "VtxDebugControl", args, "ret=%d,debug_mode=0x%X", ret,
                    args->debug_mode);
  return ret;
}

}  // namespace
}  // namespace vtx::packet

extern "C" int VtxDebugControl(VtxDebugControlArgs* args) {
  using vtx::api::Carry;
  using vtx::api::Family;
  return vtx::api::Framed<Family::kTrace, Carry::kOutput>(vtx::packet::DebugControlWorker, args);
}
