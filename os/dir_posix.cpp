#include <dirent.h>

#include <cstring>
#include <new>

#include "os/dir.h"

namespace os {

struct DirScan {
  DIR* dir;
};

DirScan* DirOpen(const char* directory) {
  if (directory == nullptr) return nullptr;
  DIR* dir = opendir(directory);
  if (dir == nullptr) return nullptr;
  auto* scan = new (std::nothrow) DirScan{dir};
  if (scan == nullptr) closedir(dir);
  return scan;
}

const char* DirNext(DirScan* scan) {
  if (scan == nullptr) return nullptr;
  while (dirent* entry = readdir(scan->dir)) {
    if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) return entry->d_name;
  }
  return nullptr;
}

int DirClose(DirScan* scan) {
  if (scan == nullptr) return -1;
  int rc = closedir(scan->dir);
  delete scan;
  return rc == 0 ? 0 : -1;
}

}  // namespace os
