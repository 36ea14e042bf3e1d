// tarrow reset MODULE [CHANNEL]: resets a line of the module with a user preference file, as an
// application would before using it, and shows what the configuration did: the firmware report,
// the capabilities it discovered, the reset status bits by name and the commands it sent.
// Call control is not started (the page and the other tools do the same).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "api/tool_support.h"
#include "lineconfig/file_limits.h"
#include "tools/tarrow/command.h"
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

std::string JsonList(const std::vector<std::string>& texts) {
  std::string out = "[";
  for (size_t i = 0; i < texts.size(); ++i) out += (i ? ", " : "") + JsonString(texts[i]);
  return out + "]";
}

void PrintJson(const Outcome& out) {
  printf("{\"status\": %u, \"line_status\": %u, \"status_text\": %s,\n", out.args.status,
         out.args.line_status, JsonString(out.status_text).c_str());
  printf(" \"firmware_report\": %s,\n \"capabilities\": [", JsonList(g_heard.report).c_str());
  for (size_t i = 0; i < out.capabilities.size(); ++i) {
    printf("%s%u", i ? ", " : "", out.capabilities[i]);
  }
  std::vector<std::string> names;
  for (const vtx::tool::ResetStatusBit& bit : vtx::tool::kResetStatusBits) {
    if ((out.args.reset_status & bit.bit) != 0) names.push_back(bit.name);
  }
  printf("],\n \"reset_status\": %u, \"reset_status_bits\": %s,\n", out.args.reset_status,
         JsonList(names).c_str());
  printf(" \"sent\": %s}\n", JsonList(g_heard.sent).c_str());
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
    fprintf(stderr, "tarrow reset: module 0x%X: attach failed (status %u, line status %u)\n",
            module, attach.status, attach.line_status);
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
    PrintJson(out);
  } else {
    PrintText(out);
  }
  VtxLineArgs detach{};
  VtxLineDetach(line, &detach);
  if (ret == 0) return 0;
  fprintf(stderr, "tarrow reset: %s\n", out.status_text.c_str());
  return 1;
}

}  // namespace

TARROW_COMMAND("reset",
               "reset MODULE [CHANNEL] [--config FILE | --defaults] [--no-init N] [--json]",
               "reset a line with a user preference file and show what the configuration did", Run);

}  // namespace tarrow
