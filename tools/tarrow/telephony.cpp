// tarrow telephony MODULE --unlock | --save | --configure CALLCTRL.CFG [--json]: the module's
// telephony as a whole. --unlock frees the board's telephony critical section (left taken by a
// start-up that ended half way), --save keeps the telephony control parameters in the module's
// non-volatile memory, --configure runs the telephony and clock configuration of the module's
// record in a call-control configuration file, as the first application's start-up would, and
// shows each command it sent.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "api/tool_support.h"
#include "callctrl/board_type.h"
#include "callctrl/config/callctrl_config.h"
#include "callctrl/telephony/telephony_config.h"
#include "packet/codes.h"
#include "tele_ctrl.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"

namespace tarrow {
namespace {

using vtx::callctrl::TelephonyAction;

constexpr char kUsage[] =
    "telephony MODULE --unlock | --save | --configure CALLCTRL.CFG [--json] [--defaults]";
constexpr char kCommand[] = "telephony";

int Unlock(VtxLine* line) {
  VtxTelephArgs record{};
  VtxTelephReset(line, &record);
  const int failed = ReportOutcome(kCommand, line, record.status == CV_STATUS_OK ? 0 : -1,
                                   record.status, record.line_status);
  if (failed == 0) printf("telephony critical section freed\n");
  return failed;
}

int Save(VtxLine* line) {
  VtxTelephArgs record{};
  const int failed = ReportOutcome(kCommand, line, VtxTelephSave(line, &record), record.status,
                                   record.line_status);
  if (failed == 0) printf("telephony parameters saved\n");
  return failed;
}

// The board's ports below the ninth by port index, and their count; false after a message.
bool ReadPorts(VtxLine* line, uint32_t (&types)[vtx::callctrl::kTelephonyPorts], uint32_t& count) {
  VtxTelephArgs args{};
  int ret;
  count = 0;
  while ((ret = VtxTelephGetInfo(line, &args)) == 1) {
    if (args.src_port_unit >= vtx::callctrl::kTelephonyPorts) continue;
    types[args.src_port_unit] = args.port_type;
    ++count;
  }
  return ReportOutcome(kCommand, line, ret, args.status, args.line_status) == 0;
}

vtx::callctrl::BoardType BoardType(unsigned module, uint32_t port0_type) {
  VtxModuleInfoArgs info{};
  info.mod_num = module;
  if (VtxModuleInfo(nullptr, &info) != 0) return vtx::callctrl::kBoardUnknown;
  char name[sizeof info.name / sizeof info.name[0] + 1] = {};
  for (size_t i = 0; i < sizeof info.name / sizeof info.name[0] && info.name[i] != 0; ++i) {
    name[i] = static_cast<char>(info.name[i] & 0xFF);
  }
  return vtx::callctrl::WithBusInterface(vtx::callctrl::BoardTypeFromName(name), port0_type);
}

// Every message about the file as "FILE:LINE: kind: text".
// Only what is wrong with the file is shown: the reader's information (libraries loaded, their
// entry points and keys) and notes on optional keys left at their defaults belong to
// `tarrow check-config --verbose`.
int ListMessage(int kind, const vtx::cfg::cfgMessage* message) {
  using vtx::cfg::cfgConfiguration;
  if (kind != cfgConfiguration::kWarning && kind != cfgConfiguration::kError) return 0;
  if (message->optionalDefault) return 0;
  const char* file = static_cast<const char*>(message->userData);
  const char* name = kind == cfgConfiguration::kWarning ? "warning" : "error";
  if (message->line > 0) {
    fprintf(stderr, "%s:%d: %s: %s\n", file, message->line, name, message->text);
  } else {
    fprintf(stderr, "%s: %s: %s\n", file, name, message->text);
  }
  return 0;
}

const char* StepName(TelephonyAction::Kind kind) {
  switch (kind) {
    case TelephonyAction::kSectionAcquired:
      return "section_acquired";
    case TelephonyAction::kEthernet:
      return "ethernet";
    case TelephonyAction::kPortCommand:
      return "port_command";
    case TelephonyAction::kClearConnections:
      return "clear_connections";
    case TelephonyAction::kClockVariable:
      return "clock_variable";
    case TelephonyAction::kControllerReset:
      return "controller_reset";
    case TelephonyAction::kPcpmTable:
      return "pcpm_table";
    case TelephonyAction::kSectionReleased:
      return "section_released";
  }
  return "";
}

std::string TagName(uint32_t id) {
  const char* name = vtx::codes::Name(MILL_FACILITY_TELE_CTRL, vtx::codes::Kind::kTag, id);
  return name != nullptr ? name : "0x" + std::to_string(id);
}

std::string TagsText(const TelephonyAction& a, bool json) {
  std::string text;
  for (const auto& [id, value] : a.tags) {
    char one[64];
    if (json) {
      snprintf(one, sizeof one, "%s\"%s\": %u", text.empty() ? "" : ", ", TagName(id).c_str(),
               value);
    } else {
      snprintf(one, sizeof one, " %s=0x%X", TagName(id).c_str(), value);
    }
    text += one;
  }
  return text;
}

void PrintStep(const TelephonyAction& a) {
  const char* failed = a.ok ? "" : "  FAILED";
  switch (a.kind) {
    case TelephonyAction::kSectionAcquired:
      printf("critical section taken%s%s\n", a.ok && a.result != 0 ? ": already configured" : "",
             failed);
      break;
    case TelephonyAction::kEthernet:
      printf("ethernet 1 %s\n", a.ok ? "set" : "not set");
      break;
    case TelephonyAction::kPortCommand:
      printf("port %u (channel %u)%s%s\n", a.channel - 2, a.channel, TagsText(a, false).c_str(),
             failed);
      break;
    case TelephonyAction::kClearConnections:
      printf("switch connections cleared%s\n", failed);
      break;
    case TelephonyAction::kClockVariable:
      printf("clock (channel %u)%s%s\n", a.channel, TagsText(a, false).c_str(), failed);
      break;
    case TelephonyAction::kControllerReset:
      printf("reset port %u (channel %u): result %u%s\n", a.channel - 2, a.channel, a.result,
             failed);
      break;
    case TelephonyAction::kPcpmTable:
      printf("PCPM table %s\n", a.ok ? "stored" : "not stored");
      break;
    case TelephonyAction::kSectionReleased:
      printf("critical section released%s\n", failed);
      break;
  }
}

std::string JsonStep(unsigned module, const TelephonyAction& a) {
  char text[160];
  snprintf(text, sizeof text,
           "{\"module\": %u, \"step\": \"%s\", \"channel\": %u, \"ok\": %s, "
           "\"result\": %u, \"tags\": {",
           module, StepName(a.kind), a.channel, a.ok ? "true" : "false", a.result);
  return text + TagsText(a, true) + "}}";
}

int Configure(VtxLine* line, unsigned module, const std::string& file, bool json) {
  vtx::callctrl::CallCtrlConfig* config = vtx::callctrl::OpenCallCtrlConfig(
      file.c_str(), false, ListMessage, const_cast<char*>(file.c_str()));
  if (config == nullptr) {
    fprintf(stderr, "tarrow telephony: %s: not a readable call-control configuration\n",
            file.c_str());
    return 1;
  }
  vtx::callctrl::ModuleConfigRecord record{};
  const vtx::callctrl::ModuleConfigRecord* found =
      vtx::callctrl::GetModuleRecord(config, module, false);
  if (found == nullptr) found = vtx::callctrl::GetModuleRecord(config, 0, false);
  if (found != nullptr) record = *found;
  vtx::callctrl::CloseCallCtrlConfig(config);
  if (found == nullptr) {
    fprintf(stderr, "tarrow telephony: %s: no [module.%x] or [module.0] section\n", file.c_str(),
            module);
    return 1;
  }
  record.module_number = module;
  uint32_t types[vtx::callctrl::kTelephonyPorts] = {};
  uint32_t count = 0;
  if (!ReadPorts(line, types, count)) return 1;
  std::vector<TelephonyAction> steps;
  const bool ok =
      vtx::callctrl::ConfigureTelephony(line, record, types, count, BoardType(module, types[0]),
                                        [&steps, json](const TelephonyAction& a) {
                                          if (!json) PrintStep(a);
                                          steps.push_back(a);
                                        });
  const bool already = !steps.empty() && steps[0].kind == TelephonyAction::kSectionAcquired &&
                       steps[0].ok && steps[0].result != 0;
  if (json) {
    printf(
        "{\"module\": %u, \"simulated\": %s, \"configured\": %s, \"already_configured\": %s, "
        "\"steps\": [",
        module, vtx::tool::DriverIsSimulated() ? "true" : "false", ok ? "true" : "false",
        already ? "true" : "false");
    for (size_t i = 0; i < steps.size(); ++i) {
      printf("%s\n  %s", i == 0 ? "" : ",", JsonStep(module, steps[i]).c_str());
    }
    printf("]}\n");
  } else {
    printf("module 0x%X: telephony %s\n", module,
           !ok       ? "not configured"
           : already ? "already configured"
                     : "configured");
  }
  if (!ok) {
    fprintf(stderr,
            "tarrow telephony: module 0x%X: the telephony configuration failed; the "
            "call-control trace tells which step\n",
            module);
  }
  return ok ? 0 : 1;
}

int Run(const Args& arguments) {
  Args args = arguments;
  TakeDefaults(args);
  unsigned module = 0;
  if (!TakeModule(args, kUsage, module)) return 2;
  const bool unlock = TakeFlag(args, "--unlock");
  const bool save = TakeFlag(args, "--save");
  const bool json = TakeFlag(args, "--json");
  const std::string file = TakeOption(args, "--configure", "");
  if (!args.empty() || unlock + save + !file.empty() != 1 || (json && file.empty())) {
    fprintf(stderr, "usage: tarrow %s\n", kUsage);
    return 2;
  }
  VtxLine* line = OpenTelephLine(kCommand, module);
  if (line == nullptr) return 1;
  const int status = unlock ? Unlock(line)
                     : save ? Save(line)
                            : Configure(line, module, file, json);
  CloseTelephLine(line);
  return status;
}

}  // namespace

TARROW_COMMAND("telephony", kUsage,
               "free, save or configure the module's telephony (ports, clocks, resets)", Run);

}  // namespace tarrow
