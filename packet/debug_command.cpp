#include "packet/debug_command.h"

#include <cstring>

#include "hostctrl.h"
#include "packet/command_reader.h"
#include "trace/api_log.h"

namespace vtx::packet {
namespace {

constexpr size_t kNameSize = 300;

// A text tag into a terminated buffer of kNameSize.
const char* CopyText(const Tag& tag, char* out) {
  size_t n = tag.data_len < kNameSize - 1 ? tag.data_len : kNameSize - 1;
  memcpy(out, tag.data, n);
  out[n] = '\0';
  return out;
}

}  // namespace

int ApplyDebugCommand(const uint8_t* tags, uint32_t length) {
  VtxDebugControlArgs control{};
  char fname1[kNameSize];
  char fname2[kNameSize];
  char cc_file[kNameSize];
  TagReader reader(tags, length, false);
  Tag tag;
  while (reader.Next(tag)) {
    switch (tag.id) {
      case HOST_CTRL_DEBUG_OPTIONS_VAR:
        control.debug_options = static_cast<uint32_t>(tag.Int());
        break;
      case HOST_CTRL_DEBUG_MODE_VAR:
        control.debug_mode = static_cast<uint32_t>(tag.Int());
        break;
      case HOST_CTRL_DEBUG_FNAME1_VAR:
        control.debug_fname1 = CopyText(tag, fname1);
        break;
      case HOST_CTRL_DEBUG_FNAME2_VAR:
        control.debug_fname2 = CopyText(tag, fname2);
        break;
      case HOST_CTRL_DEBUG_FILE_LIMIT_VAR:
        control.debug_file_limit = static_cast<uint32_t>(tag.Int());
        break;
      case HOST_CTRL_DEBUG_CC_TRACE_LEVEL_VAR:
        control.debug_cc_trace_level = static_cast<uint32_t>(tag.Int());
        break;
      case HOST_CTRL_DEBUG_CC_TRACE_FILE_VAR:
        control.debug_cc_trace_file = CopyText(tag, cc_file);
        break;
      case HOST_CTRL_DEBUG_FUNC_DBG_OPTS_VAR:
        control.debug_func_dbg_opts = static_cast<uint32_t>(tag.Int());
        break;
      default:
        break;
    }
  }
  if (reader.failed()) return -1;
  // A received record is applied here only: it is never sent on, and it installs no function.
  control.debug_options &= ~(VTX_DEBUG_DISTRIBUTE | VTX_DEBUG_SET_FUNCTION);
  return trace::ApplyControl(&control);
}

}  // namespace vtx::packet
