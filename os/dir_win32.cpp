// The scan lists "DIRECTORY/*": the open finds the first entry, each next call the following one.
#include <windows.h>

#include <cstring>
#include <new>
#include <string>

#include "os/dir.h"

namespace os {

struct DirScan {
  HANDLE find;
  WIN32_FIND_DATAA entry;
  bool entry_pending;  // the entry found by the open (or the last next) is not handed out yet
};

DirScan* DirOpen(const char* directory) {
  if (directory == nullptr) return nullptr;
  auto* scan = new (std::nothrow) DirScan{};
  if (scan == nullptr) return nullptr;
  scan->find = FindFirstFileA((std::string(directory) + "/*").c_str(), &scan->entry);
  if (scan->find == INVALID_HANDLE_VALUE) {
    delete scan;
    return nullptr;
  }
  scan->entry_pending = true;
  return scan;
}

const char* DirNext(DirScan* scan) {
  if (scan == nullptr) return nullptr;
  for (;;) {
    if (!scan->entry_pending && !FindNextFileA(scan->find, &scan->entry)) return nullptr;
    scan->entry_pending = false;
    const char* name = scan->entry.cFileName;
    if (strcmp(name, ".") != 0 && strcmp(name, "..") != 0) return name;
  }
}

int DirClose(DirScan* scan) {
  if (scan == nullptr) return -1;
  BOOL closed = FindClose(scan->find);
  delete scan;
  return closed ? 0 : -1;
}

}  // namespace os
