#include "callctrl/config_lookup.h"

#include <cstring>
#include <string>

#include "callctrl/config/callctrl_config.h"
#include "os/config_files.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

int DropMessage(int, const cfg::cfgMessage*) {
  return 0;
}

}  // namespace

char* GetCallCtrlConfigFile(const char* user_preference_file, char* buffer) {
  buffer[0] = '\0';
  // The user preference file as the line reset found it.
  const std::string preference_file = os::FindConfigFile(user_preference_file, nullptr);
  CallCtrlConfig* preferences = OpenCallCtrlConfig(preference_file.c_str(), false, DropMessage);
  if (preferences != nullptr) {
    ReadConfigEntry(preferences, "/call_control", buffer, kConfigPathSize);
    CloseCallCtrlConfig(preferences);
  }
  if (buffer[0] == '\0') strcpy(buffer, kDefaultCallCtrlFile);
  // A place too long for the buffer is not taken: a cut name would be another file.
  const std::string found = os::FindConfigFile(buffer, preference_file.c_str());
  if (found.size() < kConfigPathSize) memcpy(buffer, found.c_str(), found.size() + 1);
  return buffer;
}

int ListConfigMessage(int kind, const cfg::cfgMessage* message) {
  int32_t level = trace::cc::kLevelVerbose;
  switch (kind) {
    case cfg::cfgConfiguration::kError:
      level = trace::cc::kLevelError;
      break;
    case cfg::cfgConfiguration::kInfo:
      level = trace::cc::kLevelBasic;
      break;
    case cfg::cfgConfiguration::kTrace:
      return 0;
    default:
      break;
  }
  if (message->line != -1) {
    trace::cc::Trace(trace::cc::kApiTrace, level, "LINE %d : %s", message->line, message->text);
  } else {
    trace::cc::Trace(trace::cc::kApiTrace, level, "%s", message->text);
  }
  return 0;
}

}  // namespace vtx::callctrl
