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

// The file a shared library named `name` would be loaded from: a name with a folder as it is,
// a bare name from the folders the system's loader is told to search first, then
// LibraryDirectory(), then the system's library folders. Empty when no such file exists.
std::string LocateLibrary(const std::string& name);

// Why the file at `path` should not be trusted with code that runs in this process: "" when it
// and its folder belong to the system's administrator or to this user and no one else may
// change them; otherwise the reason, naming the file or folder.
std::string UntrustedFileReason(const std::string& path);

}  // namespace os
