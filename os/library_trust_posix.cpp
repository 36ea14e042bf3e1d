// Where a shared library would come from and whether its file may be trusted to run code here.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "os/program.h"

namespace os {
namespace {

bool IsFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Owned by root or this user, and not writable by anyone else: "" or why not.
std::string OwnershipProblem(const std::string& path, const char* what) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return path + ": " + strerror(errno);
  if (info.st_uid != 0 && info.st_uid != geteuid()) {
    return std::string(what) + " " + path + " is owned by uid " + std::to_string(info.st_uid) +
           ", neither root nor this user";
  }
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return std::string(what) + " " + path + " is writable by " +
           ((info.st_mode & S_IWOTH) != 0 ? "everyone" : "its group");
  }
  return "";
}

}  // namespace

std::string LocateLibrary(const std::string& name) {
  if (name.find('/') != std::string::npos) return IsFile(name) ? name : "";
  std::vector<std::string> folders;
  if (const char* search = getenv("LD_LIBRARY_PATH")) {
    std::stringstream list(search);
    for (std::string folder; std::getline(list, folder, ':');) {
      if (!folder.empty()) folders.push_back(folder);
    }
  }
  folders.push_back(LibraryDirectory());
  for (const char* system : {"/lib", "/usr/lib", "/lib64", "/usr/lib64", "/usr/local/lib",
                             "/lib/x86_64-linux-gnu", "/usr/lib/x86_64-linux-gnu"}) {
    folders.push_back(system);
  }
  for (const std::string& folder : folders) {
    if (!folder.empty() && IsFile(folder + "/" + name)) return folder + "/" + name;
  }
  return "";
}

std::string UntrustedFileReason(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) return path + ": " + strerror(errno);
  const std::string file(resolved);
  std::string problem = OwnershipProblem(file, "the file");
  if (!problem.empty()) return problem;
  const size_t slash = file.rfind('/');
  return OwnershipProblem(slash == 0 ? "/" : file.substr(0, slash), "its folder");
}

}  // namespace os
