// Starting a program that runs on its own: in a session of its own, with no descriptor of the
// caller's (its standard streams read and write nothing), and nobody's child to wait for.
#pragma once

namespace os {

// Starts the program file `path` with the words `arguments` (null-ended, its name first), the
// "NAME=value" entries `environment` (null-ended; null for this process's own) and the working
// folder `directory` (null for the current one). The program's process id, or -1 with errno set
// to why the program could not be started: the folder or file missing, the file not a program.
int StartDetached(const char* path, char* const* arguments, char* const* environment,
                  const char* directory);

}  // namespace os
