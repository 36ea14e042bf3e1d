// Folders that must belong to one user alone, such as the folder of the simulator daemon's
// default socket in /tmp, where any user may create names first.
#pragma once

#include <string>

namespace os {

// The folder of the daemon's default socket: $XDG_RUNTIME_DIR when set (the session's own),
// else /tmp/tarrow-simd-UID.
std::string DaemonSocketFolder();

// "" when the folder of the default socket is fit for it: $XDG_RUNTIME_DIR is the session's own;
// /tmp/tarrow-simd-UID must pass CheckPrivateFolder (and is made when `create`).
std::string CheckDaemonSocketFolder(bool create);

// "" when `folder` is a directory (not a link) owned by this user and closed to everyone else;
// otherwise why not, naming the folder. With `create`, a missing folder is made first, mode 0700.
std::string CheckPrivateFolder(const std::string& folder, bool create);

}  // namespace os
