// tarrow reset MODULE [CHANNEL]: resets a line of the module with a user preference file, as an
// application would before using it, and shows what the configuration did: the firmware report,
// the capabilities it discovered, the reset status bits by name and the commands it sent.
// Call control is not started (the page and the other tools do the same).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "api/tool_support.h"
#include "lineconfig/file_limits.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "vtx.h"

namespace tarrow {
namespace {

// What the trace said during the reset.
struct Heard {
  std::vector<std::string> report;  // the firmware report
  std::vector<std::string> sent;    // the commands sent to the firmware
  bool show_packets = false;        // the person asked for packet lines on standard error
};
Heard g_heard;

bool Starts(const std::string& text, const char* prefix) {
  return text.compare(0, strlen(prefix), prefix) == 0;
}

int Listen(const char* line) {
  const std::string whole(line);
  const size_t end = whole.find("] ");
  const std::string message = end == std::string::npos ? whole : whole.substr(end + 2);
  if (Starts(message, "Firmware version info") ||
      (!g_heard.report.empty() && Starts(message, "  "))) {
    g_heard.report.push_back(message);
    return 0;
  }
  if (RepeatsStartupNote(line)) return 0;
  const bool packet = Starts(message, ">") || Starts(message, "<");
  if (Starts(message, ">")) g_heard.sent.push_back(message.substr(message[1] == '+' ? 3 : 2));
  if (!packet || g_heard.show_packets) fprintf(stderr, "%s\n", line);
  return 0;
}

std::vector<unsigned> Capabilities(const VtxLine& line) {
  std::vector<unsigned> numbers;
  for (unsigned n = 0; n < 8 * sizeof vtx::tool::FirmwareOf(line).capabilities; ++n) {
    if (vtx::tool::HasCapability(&line, n)) numbers.push_back(n);
  }
  return numbers;
}

struct Outcome {
  VtxLineArgs args;
  std::string status_text;
  std::vector<unsigned> capabilities;
};

void PrintText(const Outcome& out) {
  for (const std::string& line : g_heard.report) printf("%s\n", line.c_str());
  printf("capabilities:");
  for (unsigned n : out.capabilities) printf(" %u", n);
  printf("\nreset_status: 0x%08X\n", out.args.reset_status);
  for (const vtx::tool::ResetStatusBit& bit : vtx::tool::kResetStatusBits) {
    if ((out.args.reset_status & bit.bit) != 0) {
      printf("  0x%08X %-16s %s\n", bit.bit, bit.name, bit.meaning);
    }
  }
  printf("sent to the firmware:\n");
  for (const std::string& command : g_heard.sent) printf("  %s\n", command.c_str());
  printf("status: %u/%u %s\n", out.args.status, out.args.line_status, out.status_text.c_str());
}

// A "(NN) NAME" pair of the decoder's text as {"name", "number"}.
Json NamedNumber(const std::string& number, const std::string& name) {
  return Json{{"name", name}, {"number", std::stoul(number, nullptr, 16)}};
}

// A command sent, as the packet decoder wrote it ("(01) ADMIN (0A) REQUEST (7F) GET_CAPABILITIES"
// and a line per tag, "(13) TIME_YEAR [01: Fix Uns Short Unitless] 07EA"), taken apart.
Json SentJson(const std::string& text) {
  static const std::regex pair(R"(\(([0-9A-Fa-f]+)\) (\S+))");
  static const std::regex tag(
      R"(^\s*\(([0-9A-Fa-f]+)\) (\S+) \[([0-9A-Fa-f]+):[^\]]*\] ?(.*?)\s*$)");
  std::istringstream lines(text);
  std::string head;
  std::getline(lines, head);
  std::vector<Json> parts;
  for (std::sregex_iterator it(head.begin(), head.end(), pair), end; it != end; ++it) {
    parts.push_back(NamedNumber((*it)[1], (*it)[2]));
  }
  Json tags = Json::array();
  std::smatch match;
  for (std::string line; std::getline(lines, line);) {
    if (!std::regex_match(line, match, tag)) continue;
    tags.push_back(Json{{"name", match[2].str()},
                        {"number", std::stoul(match[1].str(), nullptr, 16)},
                        {"type", std::stoul(match[3].str(), nullptr, 16)},
                        {"data", match[4].str()}});
  }
  return Json{{"facility", parts.size() > 0 ? parts[0] : Json()},
              {"verb", parts.size() > 1 ? parts[1] : Json()},
              {"code", parts.size() > 2 ? parts[2] : Json()},
              {"tags", tags}};
}

void PrintResetJson(unsigned module, const Outcome& out) {
  std::vector<std::string> names;
  for (const vtx::tool::ResetStatusBit& bit : vtx::tool::kResetStatusBits) {
    if ((out.args.reset_status & bit.bit) != 0) names.push_back(bit.name);
  }
  Json sent = Json::array();
  for (const std::string& command : g_heard.sent) sent.push_back(SentJson(command));
  PrintJson(Json{{"module", module},
                 {"status", +out.args.status},  // copies: the record is packed
                 {"line_status", +out.args.line_status},
                 {"status_text", out.status_text},
                 {"firmware_report", g_heard.report},
                 {"capabilities", out.capabilities},
                 {"reset_status", +out.args.reset_status},
                 {"reset_status_bits", names},
                 {"sent", sent}});
}

int Usage() {
  fprintf(
      stderr,
      "usage: tarrow reset MODULE [CHANNEL] [--config FILE | --defaults] [--no-init N] [--json]\n");
  return 2;
}

// A line on the channel's unit, or on the module itself without a channel.
VtxLine* Attach(unsigned module, bool on_channel, unsigned channel) {
  VtxLineArgs attach{};
  attach.dest_addr[1] = on_channel ? 2 : 1;
  attach.dest_addr[2] = static_cast<uint8_t>(module);
  attach.dest_addr[3] = static_cast<uint8_t>(channel);
  attach.present = 1;
  VtxLine* line = VtxSessionAttach(&attach);
  if (line == nullptr) {
    ResultError("module " + std::to_string(module) + ": attach", nullptr, attach.status,
                attach.line_status);
  }
  return line;
}

bool ParseSmall(const std::string& text, unsigned max, unsigned& out) {
  unsigned long value = 0;
  if (!ReadNumber(text, 0, max, value)) return false;
  out = static_cast<unsigned>(value);
  return true;
}

int Run(const Args& arguments) {
  Args args = arguments;
  const bool json = TakeFlag(args, "--json");
  const bool defaults = TakeDefaults(args);
  const std::string named = TakeOption(args, "--config", "");
  if (defaults && !named.empty()) return Usage();
  unsigned no_init = 0;
  unsigned module = 0;
  unsigned channel = 0;
  if (!ParseSmall(TakeOption(args, "--no-init", "0"), 2, no_init) || args.empty() ||
      args.size() > 2 || (args.size() == 2 && !ParseSmall(args[1], 255, channel))) {
    return Usage();
  }
  if (!ParseModuleNumber(args[0], module)) return 2;
  if (!named.empty() && !NamedFileReadable("reset", "--config", named, vtx::kUserConfigLimit)) {
    return 1;
  }
  const std::string config = FindPreferenceFile(named);
  NoteSimulatedBoard();
  CV_API_SET_VER();
  VtxLine* line = Attach(module, args.size() == 2, channel);
  if (line == nullptr) return 1;

  const uint32_t mask = vtx::tool::Mask();
  g_heard.show_packets = (mask & vtx::tool::kLevelPacket) != 0;
  vtx::tool::InstallFunction(&Listen);
  vtx::tool::ExchangeMask(mask | vtx::tool::kLevelInfo | vtx::tool::kLevelPacket);
  Outcome out{};
  out.args.config_file_name = config.empty() ? nullptr : config.c_str();
  // A reset shows what the line's configuration did; starting call control would make this
  // short-lived process the master of every module until it exits. `tarrow callctrl` starts it.
  out.args.skip_teleph = 1;
  out.args.no_init = no_init;
  const int ret = VtxLineReset(line, &out.args);
  vtx::tool::ExchangeMask(mask);

  vtx::tool::StatusText text{};
  vtx::tool::FormStatusText(line, out.args.status, out.args.line_status, &text);
  out.status_text = text.description;
  out.capabilities = Capabilities(*line);
  if (json) {
    PrintResetJson(module, out);
  } else {
    PrintText(out);
  }
  VtxLineArgs detach{};
  VtxLineDetach(line, &detach);
  if (ret == 0) return 0;
  Error(out.status_text, out.args.status, out.args.line_status);
  return 1;
}

}  // namespace

constexpr char kHelp[] =
    "  --config FILE      the user preference file (default: ./cvcall.cfg, "
    "/etc/corvane/cvcall.cfg)\n"
    "  --defaults         the built-in settings, without a preference file\n"
    "  --no-init N        the reset's no_init value (0 to 2)\n"
    "  --json             print JSON (docs/json.md)\n"
    "\n"
    "Example:\n"
    "  tarrow reset 2 --config cvcall.cfg\n";

TARROW_COMMAND("reset",
               "reset MODULE [CHANNEL] [--config FILE | --defaults] [--no-init N] [--json]",
               "reset a line with a user preference file and show what the configuration did", Run,
               kHelp);

}  // namespace tarrow
