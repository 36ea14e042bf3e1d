// Directory scan: the names of a directory's entries one at a time, as the trace name loader
// and the numbered call-control trace files read them.
#pragma once

namespace os {

struct DirScan;

// Starts listing `directory`; null when it cannot be opened.
DirScan* DirOpen(const char* directory);
// The next entry's name (valid until the next call), or null at the end. The entries "." and
// ".." are left out.
const char* DirNext(DirScan* scan);
// Ends the listing and frees the scan: 0, or -1 when the system refused to close it.
int DirClose(DirScan* scan);

}  // namespace os
