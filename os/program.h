// The running program's own place: the folder its executable file is in, so that a program can
// find what is installed beside it.
#pragma once

#include <string>

namespace os {

// The folder of the running program's executable file, without a trailing separator; empty when
// the system does not tell.
std::string ProgramDirectory();

}  // namespace os
