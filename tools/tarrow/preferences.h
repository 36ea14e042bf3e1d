// The user preference file that the tools reset lines with.
#pragma once

#include <string>

namespace tarrow {

// `named` when given; else "cvcall.cfg" in the current folder; else the one in the folder of
// the registry file (/etc/corvane/ unless $CRVN_REGISTRY moves it). When there is none, says once
// on standard error where it looked and returns an empty name (the built-in defaults). The file
// used is traced at the information level.
std::string FindPreferenceFile(const std::string& named = std::string());

// The folder of the machine's own preference file: the folder of the page's registry file here,
// the program's own folder on Windows (where the registry is the system's).
std::string MachinePreferenceFolder();

}  // namespace tarrow
