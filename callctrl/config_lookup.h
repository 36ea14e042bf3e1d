// Where the call-control configuration comes from and how its messages are listed: the user
// preference file may name the call-control configuration file, and the configuration library's
// messages go to the call-control trace.
#pragma once

#include <cstddef>

#include "cfg/cfg_configuration.h"

namespace vtx::callctrl {

constexpr size_t kConfigPathSize = 260;
constexpr char kDefaultCallCtrlFile[] = "callctrl.cfg";
constexpr char kDefaultUserPreferenceFile[] = "cvcall.cfg";

// The call-control configuration file named by the user preference file's root entry
// `call_control`, else "callctrl.cfg"; written into `buffer` (kConfigPathSize characters) and
// returned. Relative names, of the user preference file and of the file it names, are taken from
// the current folder, else (the named file) from beside the user preference file, else from the
// folder of the installed configuration files (/etc/corvane).
// A missing or malformed user preference file is not reported.
char* GetCallCtrlConfigFile(const char* user_preference_file, char* buffer);

// The message callback of every open of the call-control configuration: errors at level 1, info
// at 3, warnings and anything unknown at 4, trace messages dropped; category 0, with "LINE %d : "
// before the text when the message is about a line.
int ListConfigMessage(int kind, const cfg::cfgMessage* message);

}  // namespace vtx::callctrl
