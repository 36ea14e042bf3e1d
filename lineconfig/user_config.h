// The user-configuration reader: the last step of the line reset. It reads the user preference
// file named by the record's `config_file_name` line by line into VtxLineConfig and makes the
// closing call, unless the caller feeds the lines itself (`use_config_lines`). A relative name is
// taken from the current folder, else from the folder of the installed configuration files.
#pragma once

#include "vtx.h"

namespace vtx {

// The warning of a user preference file that is nowhere, with its name as given.
constexpr char kUserConfigMissing[] = "Warning: User configuration file \"%s\" not found";

// `args` is the line reset's record, in the library's own layout; `config_file_line` is written
// before each line is handed on. Returns 0, or -1 with the record's result words set.
int ReadUserConfiguration(VtxLine* line, VtxLineArgs* args);

}  // namespace vtx
