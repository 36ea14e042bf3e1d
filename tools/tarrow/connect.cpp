// tarrow connect: connects a source time slot to a destination time slot of the module's switch,
// or, with --ip, a channel to an IP port (T.38 over UDPTL or RTP) whose addresses the module
// assigns. A refusal shows the firmware's result code and its text.
#include <cstdio>
#include <string>

#include "teleph/address_text.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/switch_side.h"
#include "tools/tarrow/teleph_tool.h"

namespace tarrow {
namespace {

constexpr char kUsage[] =
    "connect MODULE SOURCE DEST [--mode N] | connect MODULE CHANNEL --ip udptl|rtp "
    "[--remote A.B.C.D:PORT] [--remote-rtcp A.B.C.D:PORT] [--local-port P] [--mode N] "
    "[--t38-NAME N ...] [--defaults] [--json]";
constexpr char kCommand[] = "connect";

// The T.38 parameters of a UDPTL connection, each an option --t38-NAME with its default.
struct T38Option {
  const char* name;
  uint32_t VtxT38Params::*field;
  uint32_t fallback;
};
const T38Option kT38Options[] = {
    {"version", &VtxT38Params::t38_version, 0},
    {"max-bit-rate", &VtxT38Params::t38_max_bit_rate, 5},
    {"fill-bit-removal", &VtxT38Params::t38_fax_fill_bit_removal, 0},
    {"transcoding-mmr", &VtxT38Params::t38_fax_transcoding_MMR, 0},
    {"transcoding-jbig", &VtxT38Params::t38_fax_transcoding_JBIG, 0},
    {"rate-management", &VtxT38Params::t38_fax_rate_management, 9},
    {"max-buffer", &VtxT38Params::t38_fax_max_buffer, 2048},
    {"max-datagram-recv", &VtxT38Params::t38_fax_max_datagram_recv, 512},
    {"udp-ec", &VtxT38Params::t38_fax_udp_EC, 6},
    {"max-datagram-send", &VtxT38Params::t38_fax_max_datagram_send, 512},
    {"redundancy-control", &VtxT38Params::t38_UDPTL_redundancy_depth_control, 3},
    {"redundancy-image", &VtxT38Params::t38_UDPTL_redundancy_depth_image, 2},
    {"fast-notify", &VtxT38Params::t38_t30_fast_notify, 0},
};

// "CLASS:UNIT:STREAM:SLOT" of a time-division side.
bool ParseSlot(const std::string& text, uint32_t& port_class, uint32_t& unit, uint32_t& stream,
               uint32_t& slot) {
  struct Part {
    const char* name;
    uint32_t max;
    uint32_t* out;
  };
  const Part parts[] = {{"CLASS", 0xFF, &port_class},
                        {"UNIT", 0xFFFF, &unit},
                        {"STREAM", 0xFFFF, &stream},
                        {"SLOT", 0xFFFF, &slot}};
  size_t start = 0;
  for (const Part& part : parts) {
    const size_t colon = part.out != &slot ? text.find(':', start) : text.size();
    if (colon == std::string::npos) {
      Error("expected CLASS:UNIT:STREAM:SLOT, got \"" + text + "\"");
      return false;
    }
    if (!ParseNumber(part.name, text.substr(start, colon - start), part.max, *part.out)) {
      return false;
    }
    start = colon + 1;
  }
  return true;
}

// "A.B.C.D:PORT" into an IPv4 socket address.
bool ParseEndpoint(const std::string& option, const std::string& text, VtxSockAddr& out) {
  const size_t colon = text.rfind(':');
  uint32_t port = 0;
  if (colon == std::string::npos ||
      !vtx::teleph::ParseDottedQuad(text.substr(0, colon), out.sin_addr)) {
    Error("expected A.B.C.D:PORT for " + option + ", got \"" + text + "\"");
    return false;
  }
  if (!ParseNumber(option.c_str(), text.substr(colon + 1), 0xFFFF, port)) return false;
  out.sin_family = kFamilyInet;
  out.sin_port = static_cast<uint16_t>(port);
  return true;
}

// The options of the IP form into the record's destination description.
bool TakeIpOptions(Args& args, const std::string& kind, VtxTelephArgs& record) {
  if (kind != "udptl" && kind != "rtp") {
    Error("expected udptl or rtp after --ip, got \"" + kind + "\"");
    return false;
  }
  const bool udptl = kind == "udptl";
  record.dest_port_class = udptl ? VTX_PORT_CLASS_UDPTL : VTX_PORT_CLASS_RTP;
  VtxSockAddr& remote = udptl ? record.udptl_opts.remoteAddr : record.rtp_opts.remoteRTPAddr;
  VtxSockAddr& local = udptl ? record.udptl_opts.localAddr : record.rtp_opts.localRTPAddr;
  const std::string remote_text = TakeOption(args, "--remote", "");
  const std::string rtcp_text = TakeOption(args, "--remote-rtcp", "");
  const std::string local_port = TakeOption(args, "--local-port", "0");
  uint32_t port = 0;
  if (udptl && !rtcp_text.empty()) {
    Error("expected --remote-rtcp with --ip rtp only");
    return false;
  }
  if ((!remote_text.empty() && !ParseEndpoint("--remote", remote_text, remote)) ||
      (!rtcp_text.empty() &&
       !ParseEndpoint("--remote-rtcp", rtcp_text, record.rtp_opts.remoteRTCPAddr)) ||
      !ParseNumber("--local-port", local_port, 0xFFFF, port)) {
    return false;
  }
  local.sin_family = kFamilyInet;
  local.sin_port = static_cast<uint16_t>(port);
  for (const T38Option& option : kT38Options) {
    const std::string name = std::string("--t38-") + option.name;
    const std::string text = TakeOption(args, name, std::to_string(option.fallback));
    if (!ParseNumber(name.c_str(), text, 0xFFFFFFFF, record.udptl_opts.t38.*option.field)) {
      return false;
    }
  }
  return true;
}

int Run(const Args& arguments) {
  Args args = arguments;
  TakeDefaults(args);
  VtxTelephArgs record{};
  unsigned module = 0;
  const bool json = TakeFlag(args, "--json");
  const std::string mode = TakeOption(args, "--mode", "0");
  const std::string ip = TakeOption(args, "--ip", "");
  if (!TakeModule(args, kUsage, module) || !ParseNumber("--mode", mode, 0xFF, record.conn_mode)) {
    return 2;
  }
  const bool parsed = ip.empty()
                          ? args.size() == 2 &&
                                ParseSlot(args[0], record.src_port_class, record.src_port_unit,
                                          record.src_stream, record.src_slot) &&
                                ParseSlot(args[1], record.dest_port_class, record.dest_port_unit,
                                          record.dest_stream, record.dest_slot)
                          : TakeIpOptions(args, ip, record) && args.size() == 1 &&
                                ParseNumber("CHANNEL", args[0], 0xFFFF, record.src_port_unit);
  if (!parsed) {
    fprintf(stderr, "usage: tarrow %s\n", kUsage);
    return 2;
  }
  if (ip.empty() && record.src_port_class == record.dest_port_class &&
      record.src_port_unit == record.dest_port_unit && record.src_stream == record.dest_stream &&
      record.src_slot == record.dest_slot) {
    Error("a slot cannot be connected to itself: " + args[0]);
    return 2;
  }
  VtxLine* line = OpenTelephLine(module);
  if (line == nullptr) return 1;
  const int ret = ip.empty() ? VtxCallSWConnect(line, &record) : VtxCallSWConnectIP(line, &record);
  const int failed = ReportOutcome(line, ret, record.status, record.line_status);
  CloseTelephLine(line);
  if (failed != 0) return failed;
  if (json) {
    PrintJson(Json{{"module", module},
                   {"connected", true},
                   {"destination", ip.empty() ? Json() : SideJson(DestinationSide(record))}});
  } else {
    printf("connected%s%s\n", ip.empty() ? "" : ": ",
           ip.empty() ? "" : SideText(DestinationSide(record)).c_str());
  }
  return 0;
}

}  // namespace

constexpr char kHelp[] =
    "  --mode N           the connection mode, sent unchanged (default 0)\n"
    "  --json             print JSON (docs/json.md)\n"
    "  --ip udptl|rtp     connect CHANNEL to an IP port of that kind\n"
    "  --remote A.B.C.D:PORT       the remote UDPTL or RTP address\n"
    "  --remote-rtcp A.B.C.D:PORT  the remote RTCP address (rtp)\n"
    "  --local-port P     the local port (default 0: the module chooses)\n"
    "  --t38-version N, --t38-max-bit-rate N, --t38-fill-bit-removal N,\n"
    "  --t38-transcoding-mmr N, --t38-transcoding-jbig N, --t38-rate-management N,\n"
    "  --t38-max-buffer N, --t38-max-datagram-recv N, --t38-udp-ec N, --t38-max-datagram-send N,\n"
    "  --t38-redundancy-control N, --t38-redundancy-image N, --t38-fast-notify N\n"
    "                     the T.38 parameters of a UDPTL connection (defaults in tarrow(8))\n"
    "\n"
    "SOURCE and DEST are CLASS:UNIT:STREAM:SLOT.\n"
    "\n"
    "Example:\n"
    "  tarrow connect 2 0:1:0:3 0:1:0:4\n"
    "  tarrow connect 2 5 --ip rtp --remote 192.0.2.7:5004\n";

TARROW_COMMAND("connect", kUsage,
               "connect a source slot to a destination slot, or a channel to an IP port", Run,
               kHelp);

}  // namespace tarrow
