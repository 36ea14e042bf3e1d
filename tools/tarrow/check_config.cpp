// tarrow check-config FILE: reads a call-control configuration file as the framework would and
// lists every message with its line, then what would start.
#include <cstdio>
#include <map>
#include <string>

#include "callctrl/config/callctrl_config.h"
#include "tools/tarrow/command.h"

namespace tarrow {
namespace {

using vtx::callctrl::CallCtrlConfig;
using vtx::cfg::cfgConfiguration;

struct Counts {
  int errors = 0;
  int warnings = 0;
};

const char* KindName(int kind) {
  switch (kind) {
    case cfgConfiguration::kWarning:
      return "warning";
    case cfgConfiguration::kError:
      return "error";
    case cfgConfiguration::kInfo:
      return "info";
    default:
      return "trace";
  }
}

int List(int kind, const vtx::cfg::cfgMessage* message) {
  auto* counts = static_cast<Counts*>(message->userData);
  if (kind == cfgConfiguration::kError) ++counts->errors;
  if (kind == cfgConfiguration::kWarning) ++counts->warnings;
  if (message->line > 0) {
    printf("line %d: %s: %s\n", message->line, KindName(kind), message->text);
  } else {
    printf("%s: %s\n", KindName(kind), message->text);
  }
  return 0;
}

const char* PortTypeName(int32_t port_config) {
  static const char* const names[] = {"inactive",      "mvip",    "h1x0",   "t1_isdn",
                                      "t1_robbed_bit", "e1_isdn", "e1_cas", "e1_r2_cas",
                                      "e1_dpnss",      "bri",     "analog"};
  return port_config >= 0 && port_config <= 10 ? names[port_config] : "invalid";
}

std::string KeyValue(const vtx::callctrl::HostModuleKeyValue& key) {
  switch (key.type) {
    case vtx::callctrl::kHostKeyString:
      return "\"" + std::string(key.value.text) + "\"";
    case vtx::callctrl::kHostKeySigned:
      return std::to_string(key.value.signed_value);
    default:
      return std::to_string(key.value.unsigned_value);
  }
}

void Summarise(CallCtrlConfig* config) {
  printf("\nboard modules that would start:\n");
  std::map<std::string, int> ports;
  int started = 0;
  for (int i = 0; i < vtx::callctrl::ModuleRecordCount(config); ++i) {
    const auto* module = vtx::callctrl::ModuleRecordAt(config, i);
    if (module->module_number < 2 || module->module_number > 127) continue;
    ++started;
    printf("  module.%x:", module->module_number);
    for (uint32_t p = 0; p < vtx::callctrl::kMaxPorts; ++p) {
      int32_t type = module->ports[p].port_config;
      if (type == vtx::callctrl::kPortInactive) continue;
      printf(" port.%x=%s", p + 1, PortTypeName(type));
      ++ports[PortTypeName(type)];
    }
    printf("\n");
  }
  if (started == 0) printf("  (none)\n");
  printf("ports by type:");
  for (const auto& [name, count] : ports) printf(" %s %d", name.c_str(), count);
  printf("%s\nhost modules that would start:\n", ports.empty() ? " (none)" : "");
  int hosts = 0;
  for (int i = 0; i < vtx::callctrl::HostModuleRecordCount(config); ++i) {
    const auto* host = vtx::callctrl::HostModuleRecordAt(config, i);
    if (host->number < 1 || host->number > vtx::callctrl::kMaxHostModule || !host->enabled) {
      continue;
    }
    ++hosts;
    printf("  host_module.%x: library %s\n", host->number, host->module_library);
    for (uint32_t k = 0; k < host->key_count; ++k) {
      printf("    %s = %s\n", host->keys[k].name, KeyValue(host->keys[k]).c_str());
    }
  }
  if (hosts == 0) printf("  (none)\n");
}

int Run(const Args& args) {
  if (args.size() != 1) {
    fprintf(stderr, "usage: tarrow check-config FILE\n");
    return 2;
  }
  Counts counts;
  CallCtrlConfig* config = vtx::callctrl::OpenCallCtrlConfig(args[0].c_str(), false, List, &counts);
  if (!config) return 1;
  Summarise(config);
  vtx::callctrl::CloseCallCtrlConfig(config);
  printf("\n%d error(s), %d warning(s)\n", counts.errors, counts.warnings);
  return counts.errors > 0 ? 1 : 0;
}

}  // namespace

TARROW_COMMAND("check-config", "FILE",
               "read a call-control configuration file and list its messages and modules", Run);

}  // namespace tarrow
