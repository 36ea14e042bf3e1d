// The automatic switch connections a master makes when its module starts: the lines of the
// module's connections file, or, without one, the channels of its port and IP objects to the
// module's host channels in order.
#pragma once

#include "callctrl/board/board_module.h"

namespace vtx::callctrl {

// False (with its message) when the connections file is missing or an automatic connection
// failed; failed or unreadable lines of the file are reported and passed over.
bool MakeAutoConnections(BoardModule& module);

// One line of a connections file: "connect" with its nine numbers, a comment (first word
// beginning with "#"), nothing (blank), or anything else.
enum class ConnectionLine { kConnect, kComment, kBlank, kUnreadable };
// Reads `text` (one line, terminated); a kConnect fills the request fields of `args`.
ConnectionLine ReadConnectionLine(const char* text, VtxTelephArgs& args);

// Follows one connections file on the module's administration line.
bool FollowConnectionsFile(BoardModule& module, const char* file_name);

}  // namespace vtx::callctrl
