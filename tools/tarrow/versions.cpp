// tarrow versions MODULE: the firmware versions that a line reset on the module reports: boot
// ROM, control processor and each DSP.
#include <cstdio>
#include <string>

#include "api/tool_support.h"
#include "proppage/feature_listing.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/preferences.h"
#include "vtx.h"

namespace tarrow {
namespace {

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

std::string Json(const FirmwareVersion& v) {
  char numbers[128];
  snprintf(numbers, sizeof numbers,
           "{\"major\": %u, \"middle\": %u, \"minor\": %u, \"build\": %u, \"auto_num\": %u, ",
           v.major, v.middle, v.minor, v.build, v.auto_num);
  return numbers + std::string("\"date\": ") + JsonString(Text(v.date, sizeof v.date)) +
         ", \"comment\": " + JsonString(Text(v.comment, sizeof v.comment)) + "}";
}

void PrintJson(const vtx::LineFirmware& firmware) {
  printf("{\"boot_rom\": %s,\n \"control_processor\": %s,\n \"dsps\": [",
         Json(firmware.boot_rom_ver).c_str(), Json(firmware.control_proc_ver).c_str());
  for (int32_t i = 0; i < firmware.dsp_count; ++i) {
    printf("%s\n  %s", i == 0 ? "" : ",", Json(firmware.dsp_ver[i]).c_str());
  }
  printf("\n]}\n");
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
  if (args.size() != 1 || !ParseModuleNumber(args[0], module)) {
    fprintf(stderr, "usage: tarrow versions MODULE [--defaults] [--json]\n");
    return 2;
  }
  NoteSimulatedBoard();
  CV_API_SET_VER();
  const std::string preferences = FindPreferenceFile();
  VtxLine* line = proppage::OpenFeatureLine(static_cast<int>(module),
                                            preferences.empty() ? nullptr : preferences.c_str());
  if (line == nullptr) {
    fprintf(stderr, "tarrow versions: module 0x%X: no line could be opened and reset\n", module);
    return 1;
  }
  if (json) {
    PrintJson(vtx::tool::FirmwareOf(*line));
  } else {
    PrintTable(vtx::tool::FirmwareOf(*line));
  }
  proppage::CloseFeatureLine(line);
  return 0;
}

}  // namespace

TARROW_COMMAND("versions", "versions MODULE [--defaults] [--json]",
               "the firmware versions a line reset on the module reports", Run);

}  // namespace tarrow
