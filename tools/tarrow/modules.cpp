// tarrow modules: every module the driver knows, as a table or as JSON.
#include <cstdio>
#include <string>
#include <vector>

#include "api/tool_support.h"
#include "tools/tarrow/command.h"
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

void PrintJson(const std::vector<VtxModuleInfoArgs>& modules) {
  printf("[");
  for (size_t i = 0; i < modules.size(); ++i) {
    const VtxModuleInfoArgs& m = modules[i];
    printf(
        "%s\n  {\"mod_num\": %u, \"exists\": %u, \"num_channels\": %u, \"hardware\": %u, "
        "\"bus_type\": %u, \"hw_type\": %u, \"hw_id\": %u, \"ordinal_start\": %u, "
        "\"num_ordinals\": %u, \"num_ordinals_init\": %u, \"pci_vend_id\": %u, "
        "\"pci_dev_id\": %u, \"pci_sub_vend_id\": %u, \"pci_sub_id\": %u, "
        "\"pci_interf_type\": %u, \"boot_ver_major\": %u, \"boot_ver_middle\": %u, "
        "\"boot_ver_minor\": %u, \"boot_ver_build\": %u, \"boot_ver_auto_num\": %u, "
        "\"boot_ver_date\": %s, \"boot_ver_comment\": %s, \"pci_runtime_start\": %u, "
        "\"pci_runtime_size\": %u, \"pci_mem_start\": %u, \"pci_mem_size\": %u, "
        "\"pci_modctrl_start\": %u, \"pci_modctrl_size\": %u, \"pci_io_start\": %u, "
        "\"pci_io_size\": %u, \"pci_irq\": %u, \"hw_info\": %u, \"name\": %s}",
        i == 0 ? "" : ",", m.mod_num, m.exists, m.num_channels, m.hardware, m.bus_type, m.hw_type,
        m.hw_id, m.ordinal_start, m.num_ordinals, m.num_ordinals_init, m.pci_vend_id, m.pci_dev_id,
        m.pci_sub_vend_id, m.pci_sub_id, m.pci_interf_type, m.boot_ver_major, m.boot_ver_middle,
        m.boot_ver_minor, m.boot_ver_build, m.boot_ver_auto_num,
        JsonString(Text(m.boot_ver_date, sizeof m.boot_ver_date)).c_str(),
        JsonString(Text(m.boot_ver_comment, sizeof m.boot_ver_comment)).c_str(),
        m.pci_runtime_start, m.pci_runtime_size, m.pci_mem_start, m.pci_mem_size,
        m.pci_modctrl_start, m.pci_modctrl_size, m.pci_io_start, m.pci_io_size, m.pci_irq,
        m.hw_info, JsonString(ModuleName(m)).c_str());
  }
  printf("\n]\n");
}

void PrintTable(const std::vector<VtxModuleInfoArgs>& modules) {
  printf("%-6s %-6s %-8s %-8s %-15s %-12s %-10s %s\n", "MODULE", "EXISTS", "CHANNELS", "BUS",
         "HW TYPE/ID", "BOOT VER", "BOOT DATE", "NAME");
  for (const VtxModuleInfoArgs& m : modules) {
    char hardware[32];
    snprintf(hardware, sizeof hardware, "0x%X/0x%X", m.hw_type, m.hw_id);
    printf("0x%-4X %-6s %-8u %-8u %-15s %-12s %-10s %s\n", m.mod_num, m.exists ? "yes" : "no",
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
    fprintf(stderr, "tarrow modules: unexpected argument \"%s\"\n", args[0].c_str());
    return 2;
  }
  NoteSimulatedBoard();
  CV_API_SET_VER();
  std::vector<VtxModuleInfoArgs> modules;
  for (uint32_t m = 2; m <= vtx::tool::HighestModuleNumber(); ++m) {
    VtxModuleInfoArgs info{};
    info.mod_num = m;
    if (VtxModuleInfo(nullptr, &info) != 0) {
      fprintf(stderr, "tarrow modules: module 0x%X: query failed (status %u, line status %u)\n", m,
              info.status, info.line_status);
      return 1;
    }
    if (info.exists || all) modules.push_back(info);
  }
  if (json) {
    PrintJson(modules);
  } else {
    PrintTable(modules);
  }
  return 0;
}

}  // namespace

TARROW_COMMAND("modules", "modules [--all] [--json]",
               "list the board modules (--all: also the numbers without a module)", Run);

}  // namespace tarrow
