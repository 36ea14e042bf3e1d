// The options a command takes, read from its usage line and the option lines of its help, and the
// getopt-style check of a command line against them before the command runs.
#pragma once

#include <string>

#include "tools/tarrow/command.h"

namespace tarrow {

// "" when every option in `args` is one that `command` names, with its value when it takes one;
// otherwise what is wrong, as getopt says it: "unrecognized option '--bogus'", "option '--mode'
// requires an argument" or "option '--json' doesn't allow an argument". Words after "--", "-"
// alone and negative numbers are arguments, not options.
std::string OptionProblem(const Command& command, const Args& args);

}  // namespace tarrow
