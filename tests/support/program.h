// Running a program of the build from a test, through the shell.
#pragma once

#include <string>

namespace vtx::testing {

// Runs the shell command line; what it wrote to standard output goes into `output`. Returns its
// exit status, or -1 when it did not exit normally.
int RunCommand(const std::string& command, std::string* output);

// The tarrow program of this build, as a command line prefix.
std::string TarrowCommand();

}  // namespace vtx::testing
