#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "os/private_folder.h"

namespace os {
namespace {

const char* RuntimeFolder() {
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  return runtime != nullptr && runtime[0] != '\0' ? runtime : nullptr;
}

}  // namespace

std::string DaemonSocketFolder() {
  if (const char* runtime = RuntimeFolder()) return runtime;
  return "/tmp/tarrow-simd-" + std::to_string(getuid());
}

std::string CheckDaemonSocketFolder(bool create) {
  return RuntimeFolder() != nullptr ? "" : CheckPrivateFolder(DaemonSocketFolder(), create);
}

std::string CheckPrivateFolder(const std::string& folder, bool create) {
  if (create && mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    return folder + ": " + strerror(errno);
  }
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) return folder + ": " + strerror(errno);
  if (!S_ISDIR(info.st_mode)) return folder + ": not a directory";
  if (info.st_uid != geteuid()) {
    return folder + ": owned by uid " + std::to_string(info.st_uid) + ", not by this user";
  }
  if ((info.st_mode & 077) != 0)
    return folder + ": open to other users (mode 0" + std::to_string((info.st_mode >> 6) & 7) +
           std::to_string((info.st_mode >> 3) & 7) + std::to_string(info.st_mode & 7) + ")";
  return "";
}

}  // namespace os
