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
#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"

namespace tarrow {
namespace {

using vtx::callctrl::TelephonyAction;

constexpr char kUsage[] =
    "telephony MODULE --unlock | --save | --configure CALLCTRL.CFG [--json] [--defaults]";
constexpr char kCommand[] = "telephony";

// What --unlock and --save did, as a sentence or as JSON ({"module", "done": KEY}).
void Done(unsigned module, bool json, const char* key, const char* sentence) {
  if (json) {
    PrintJson(Json{{"module", module}, {"done", key}});
  } else {
    printf("%s\n", sentence);
  }
}

int Unlock(VtxLine* line, unsigned module, bool json) {
  VtxTelephArgs record{};
  VtxTelephReset(line, &record);
  const int failed = ReportOutcome(line, record.status == CV_STATUS_OK ? 0 : -1, record.status,
                                   record.line_status);
  if (failed == 0) Done(module, json, "unlock", "telephony critical section freed");
  return failed;
}

int Save(VtxLine* line, unsigned module, bool json) {
  VtxTelephArgs record{};
  const int failed =
      ReportOutcome(line, VtxTelephSave(line, &record), record.status, record.line_status);
  if (failed == 0) Done(module, json, "save", "telephony parameters saved");
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
  return ReportOutcome(line, ret, args.status, args.line_status) == 0;
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

std::string TagsText(const TelephonyAction& a) {
  std::string text;
  for (const auto& [id, value] : a.tags) {
    char one[64];
    snprintf(one, sizeof one, " %s=0x%X", TagName(id).c_str(), value);
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
      printf("port %u (channel %u)%s%s\n", a.channel - 2, a.channel, TagsText(a).c_str(), failed);
      break;
    case TelephonyAction::kClearConnections:
      printf("switch connections cleared%s\n", failed);
      break;
    case TelephonyAction::kClockVariable:
      printf("clock (channel %u)%s%s\n", a.channel, TagsText(a).c_str(), failed);
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

Json JsonStep(unsigned module, const TelephonyAction& a) {
  Json tags = Json::array();
  for (const auto& [id, value] : a.tags)
    tags.push_back(Json{{"name", TagName(id)}, {"value", value}});
  return Json{{"module", module}, {"step", StepName(a.kind)}, {"channel", a.channel},
              {"ok", a.ok},       {"result", a.result},       {"tags", tags}};
}

int Configure(VtxLine* line, unsigned module, const std::string& file, bool json) {
  vtx::callctrl::CallCtrlConfig* config = vtx::callctrl::OpenCallCtrlConfig(
      file.c_str(), false, ListMessage, const_cast<char*>(file.c_str()));
  if (config == nullptr) {
    Error(file + ": not a readable call-control configuration");
    return 1;
  }
  vtx::callctrl::ModuleConfigRecord record{};
  const vtx::callctrl::ModuleConfigRecord* found =
      vtx::callctrl::GetModuleRecord(config, module, false);
  if (found == nullptr) found = vtx::callctrl::GetModuleRecord(config, 0, false);
  if (found != nullptr) record = *found;
  vtx::callctrl::CloseCallCtrlConfig(config);
  if (found == nullptr) {
    char section[32];  // the file numbers its module sections in hexadecimal
    snprintf(section, sizeof section, "[module.%x]", module);
    Error(file + ": no " + section + " or [module.0] section");
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
    Json list = Json::array();
    for (const TelephonyAction& step : steps) list.push_back(JsonStep(module, step));
    PrintJson(Json{
        {"module", module}, {"configured", ok}, {"already_configured", already}, {"steps", list}});
  } else {
    printf("module %u: telephony %s\n", module,
           !ok       ? "not configured"
           : already ? "already configured"
                     : "configured");
  }
  if (!ok) {
    Error("module " + std::to_string(module) +
          ": the telephony configuration failed; the call-control trace tells which step");
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
  if (!args.empty() || unlock + save + !file.empty() != 1) {
    fprintf(stderr, "usage: tarrow %s\n", kUsage);
    return 2;
  }
  VtxLine* line = OpenTelephLine(module);
  if (line == nullptr) return 1;
  const int status = unlock ? Unlock(line, module, json)
                     : save ? Save(line, module, json)
                            : Configure(line, module, file, json);
  CloseTelephLine(line);
  return status;
}

}  // namespace

constexpr char kHelp[] =
    "  --unlock           free the board's telephony critical section\n"
    "  --save             keep the telephony control parameters in non-volatile memory\n"
    "  --configure CALLCTRL.CFG  configure the module's telephony from a call-control file\n"
    "  --json             print JSON (docs/json.md)\n"
    "\n"
    "Example:\n"
    "  tarrow telephony 2 --configure callctrl/examples/callctrl.cfg\n";

TARROW_COMMAND("telephony", kUsage,
               "free, save or configure the module's telephony (ports, clocks, resets)", Run,
               kHelp);

}  // namespace tarrow
