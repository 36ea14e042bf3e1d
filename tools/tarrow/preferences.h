// The user preference file that the tools reset lines with, and the country parameter file it
// names.
#pragma once

#include <string>

#include "tools/tarrow/command.h"

namespace tarrow {

// Takes `--defaults` from the arguments of a command that opens a line: the person asks for the
// built-in line settings, so no preference file is looked for and the start-up notes about the
// files stay unsaid. True when it was there.
bool TakeDefaults(Args& args);

// `named` when given; else, unless `--defaults` was taken, "cvcall.cfg" in the current folder or
// the one in the folder of the registry file (/etc/corvane/ unless $CRVN_REGISTRY moves it);
// empty for the built-in defaults. The first call decides for the whole run; the file found is
// traced at the information level. What is missing is said once on standard error with the places
// looked in: no preference file, or no country parameter file where the line configuration looks
// for the one the preferences name.
std::string FindPreferenceFile(const std::string& named = std::string());

// True for a line of the API trace that repeats what the tool already said about the start-up
// files or what `--defaults` asked for: the library's warnings that "cvcall.cfg" was not found
// (the Device Details page asks for it) and that the country parameter file did not open. Every
// reset would repeat them; the tool's own notes say it once, with the places.
bool RepeatsStartupNote(const char* trace_line);

}  // namespace tarrow
