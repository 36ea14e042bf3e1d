// Running a program of the build from a test, through the shell, and reading the files it wrote.
#pragma once

#include <map>
#include <string>

namespace vtx::testing {

// Runs the shell command line; what it wrote to standard output goes into `output`. Returns its
// exit status, or -1 when it did not exit normally.
int RunCommand(const std::string& command, std::string* output);

// The tarrow program of this build, as a command line prefix.
std::string TarrowCommand();
// Runs tarrow with `arguments`; its standard output and error together go into `output`.
int RunTarrow(const std::string& arguments, std::string* output);
// Each command that `tarrow --help` lists, with the lines it gives the command.
std::map<std::string, std::string> TarrowCommandHelp();

// The whole content of a file, empty when it cannot be read. Built on every platform
// (read_file.cpp), where the rest runs only on POSIX systems.
std::string ReadFileBytes(const std::string& path);

}  // namespace vtx::testing
