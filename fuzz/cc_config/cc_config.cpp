// Arbitrary text as a call-control configuration file, read through the schema. Every message is
// touched so that a bad format or argument shows up under the sanitizers; nothing may crash.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "callctrl/config/callctrl_config.h"

namespace {

using namespace vtx::callctrl;

int Touch(int, const vtx::cfg::cfgMessage* message) {
  volatile size_t length = std::string(message->text).size();
  (void)length;
  return 0;
}

std::string TempName() {
  const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(dir) + "/fuzz_cc_config_" + std::to_string(getpid()) + ".cfg";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string name = TempName();
  std::FILE* file = std::fopen(name.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  CallCtrlConfig* config = OpenCallCtrlConfig(name.c_str(), false, Touch);
  if (!config) return 0;
  for (int i = 0; i < ModuleRecordCount(config); ++i) {
    volatile uint32_t number = ModuleRecordAt(config, i)->module_number;
    (void)number;
  }
  char text[260];
  ReadConfigEntry(config, "/call_control", text, sizeof text);
  GetTraceFile(config, text, sizeof text);
  CloseCallCtrlConfig(config);
  return 0;
}
