// The running program's own place: the folder its executable file is in, so that a program can
// find what is installed beside it.
#pragma once

#include <string>

namespace os {

// The folder of the running program's executable file, without a trailing separator; empty when
// the system does not tell.
std::string ProgramDirectory();

// The folder of the shared library that holds this code (the programs' library), without a
// trailing separator; empty when the system does not tell. Libraries installed beside it are
// found there whatever the program's own folder is.
std::string LibraryDirectory();

}  // namespace os
