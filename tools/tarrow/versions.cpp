// tarrow versions MODULE: the firmware versions that a line reset on the module reports: boot
// ROM, control processor and each DSP.
#include <cstdio>
#include <string>

#include "api/tool_support.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"
#include "vtx.h"

namespace tarrow {
namespace {

constexpr char kUsage[] = "versions MODULE [--defaults] [--json]";

std::string Text(const char* field, size_t size) {
  std::string text(field, size);
  return text.substr(0, text.find('\0'));
}

std::string Number(const FirmwareVersion& v) {
  char text[32];
  snprintf(text, sizeof text, "%u.%u.%u.%u", v.major, v.middle, v.minor, v.build);
  return text;
}

void PrintRow(const char* part, const FirmwareVersion& v) {
  printf("%-12s %-12s %-8u %-10s %s\n", part, Number(v).c_str(), v.auto_num,
         Text(v.date, sizeof v.date).c_str(), Text(v.comment, sizeof v.comment).c_str());
}

// The record is packed: its fields go in as copies.
Json VersionJson(const FirmwareVersion& v) {
  return Json{{"major", +v.major},
              {"middle", +v.middle},
              {"minor", +v.minor},
              {"build", +v.build},
              {"auto_num", +v.auto_num},
              {"date", Text(v.date, sizeof v.date)},
              {"comment", Text(v.comment, sizeof v.comment)}};
}

void PrintVersionsJson(unsigned module, const vtx::LineFirmware& firmware) {
  Json dsps = Json::array();
  for (int32_t i = 0; i < firmware.dsp_count; ++i) dsps.push_back(VersionJson(firmware.dsp_ver[i]));
  PrintJson(Json{{"module", module},
                 {"boot_rom", VersionJson(firmware.boot_rom_ver)},
                 {"control_processor", VersionJson(firmware.control_proc_ver)},
                 {"dsps", dsps}});
}

void PrintTable(const vtx::LineFirmware& firmware) {
  printf("%-12s %-12s %-8s %-10s %s\n", "PART", "VERSION", "AUTO NUM", "DATE", "COMMENT");
  PrintRow("boot ROM", firmware.boot_rom_ver);
  PrintRow("control", firmware.control_proc_ver);
  for (int32_t i = 0; i < firmware.dsp_count; ++i) {
    char part[16];
    snprintf(part, sizeof part, "DSP %d", i);
    PrintRow(part, firmware.dsp_ver[i]);
  }
}

int Run(const Args& arguments) {
  Args args = arguments;
  const bool json = TakeFlag(args, "--json");
  TakeDefaults(args);
  unsigned module = 0;
  if (!TakeModuleAlone(args, kUsage, module)) return 2;
  VtxLine* line = OpenTelephLine(module);
  if (line == nullptr) return 1;
  if (json) {
    PrintVersionsJson(module, vtx::tool::FirmwareOf(*line));
  } else {
    PrintTable(vtx::tool::FirmwareOf(*line));
  }
  CloseTelephLine(line);
  return 0;
}

}  // namespace

constexpr char kHelp[] =
    "  --defaults         reset the line with the built-in settings, without a preference file\n"
    "  --json             print JSON (docs/json.md)\n"
    "\n"
    "Example:\n"
    "  tarrow versions 2\n";

TARROW_COMMAND("versions", kUsage, "the firmware versions a line reset on the module reports", Run,
               kHelp);

}  // namespace tarrow
