// tarrow modules: every module the driver knows, as a table or as JSON.
#include <cstdio>
#include <string>
#include <vector>

#include "api/tool_support.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/output.h"
#include "vtx.h"

namespace tarrow {
namespace {

std::string ModuleName(const VtxModuleInfoArgs& info) {
  std::string name;
  for (uint16_t unit : info.name) {
    if (unit == 0) break;
    name += static_cast<char>(unit & 0xFF);
  }
  return name;
}

std::string Text(const char* field, size_t size) {
  std::string text(field, size);
  return text.substr(0, text.find('\0'));
}

std::string BootVersion(const VtxModuleInfoArgs& m) {
  char text[32];
  snprintf(text, sizeof text, "%u.%u.%u.%u", m.boot_ver_major, m.boot_ver_middle, m.boot_ver_minor,
           m.boot_ver_build);
  return text;
}

Json ModuleJson(const VtxModuleInfoArgs& m) {
  return Json{{"module", m.mod_num},
              {"exists", m.exists != 0},
              {"name", ModuleName(m)},
              {"num_channels", m.num_channels},
              {"hardware", m.hardware},
              {"bus_type", m.bus_type},
              {"hw_type", m.hw_type},
              {"hw_id", m.hw_id},
              {"hw_info", m.hw_info},
              {"ordinal_start", m.ordinal_start},
              {"num_ordinals", m.num_ordinals},
              {"num_ordinals_init", m.num_ordinals_init},
              {"pci",
               {{"vend_id", m.pci_vend_id},
                {"dev_id", m.pci_dev_id},
                {"sub_vend_id", m.pci_sub_vend_id},
                {"sub_id", m.pci_sub_id},
                {"interf_type", m.pci_interf_type},
                {"runtime_start", m.pci_runtime_start},
                {"runtime_size", m.pci_runtime_size},
                {"mem_start", m.pci_mem_start},
                {"mem_size", m.pci_mem_size},
                {"modctrl_start", m.pci_modctrl_start},
                {"modctrl_size", m.pci_modctrl_size},
                {"io_start", m.pci_io_start},
                {"io_size", m.pci_io_size},
                {"irq", m.pci_irq}}},
              {"boot_version",
               {{"major", m.boot_ver_major},
                {"middle", m.boot_ver_middle},
                {"minor", m.boot_ver_minor},
                {"build", m.boot_ver_build},
                {"auto_num", m.boot_ver_auto_num},
                {"date", Text(m.boot_ver_date, sizeof m.boot_ver_date)},
                {"comment", Text(m.boot_ver_comment, sizeof m.boot_ver_comment)}}}};
}

void PrintTable(const std::vector<VtxModuleInfoArgs>& modules) {
  printf("%-6s %-6s %-8s %-8s %-15s %-12s %-10s %s\n", "MODULE", "EXISTS", "CHANNELS", "BUS",
         "HW TYPE/ID", "BOOT VER", "BOOT DATE", "NAME");
  for (const VtxModuleInfoArgs& m : modules) {
    char hardware[32];
    snprintf(hardware, sizeof hardware, "0x%X/0x%X", m.hw_type, m.hw_id);
    printf("%-6u %-6s %-8u %-8u %-15s %-12s %-10s %s\n", m.mod_num, m.exists ? "yes" : "no",
           m.num_channels, m.bus_type, hardware, BootVersion(m).c_str(),
           Text(m.boot_ver_date, sizeof m.boot_ver_date).c_str(), ModuleName(m).c_str());
  }
  if (modules.empty()) printf("(no modules)\n");
}

int Run(const Args& arguments) {
  Args args = arguments;
  bool json = TakeFlag(args, "--json");
  bool all = TakeFlag(args, "--all");
  if (!args.empty()) {
    Error("unexpected argument \"" + args[0] + "\"");
    return 2;
  }
  NoteSimulatedBoard();
  CV_API_SET_VER();
  std::vector<VtxModuleInfoArgs> modules;
  for (uint32_t m = 2; m <= vtx::tool::HighestModuleNumber(); ++m) {
    VtxModuleInfoArgs info{};
    info.mod_num = m;
    if (VtxModuleInfo(nullptr, &info) != 0) {
      ResultError("module " + std::to_string(m), nullptr, info.status, info.line_status);
      return 1;
    }
    if (info.exists || all) modules.push_back(info);
  }
  if (json) {
    Json list = Json::array();
    for (const VtxModuleInfoArgs& m : modules) list.push_back(ModuleJson(m));
    PrintJson(Json{{"modules", list}});
  } else {
    PrintTable(modules);
  }
  return 0;
}

}  // namespace

constexpr char kHelp[] =
    "  --all              also the module numbers without a module\n"
    "  --json             print JSON (docs/json.md)\n"
    "\n"
    "Example:\n"
    "  tarrow modules --json\n";

TARROW_COMMAND("modules", "modules [--all] [--json]",
               "list the board modules (--all: also the numbers without a module)", Run, kHelp);

}  // namespace tarrow
