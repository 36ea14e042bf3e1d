// A test's own process environment for a while: a variable set, or the current folder changed,
// until the end of the scope.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <string>

namespace vtx::testing {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    const char* old = getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

class ScopedFolder {
 public:
  explicit ScopedFolder(const std::string& folder) {
    char old[PATH_MAX];
    if (getcwd(old, sizeof old) != nullptr) old_ = old;
    moved_ = chdir(folder.c_str()) == 0;
  }
  ~ScopedFolder() {
    if (moved_ && !old_.empty() && chdir(old_.c_str()) != 0) abort();
  }
  bool moved() const { return moved_; }
  ScopedFolder(const ScopedFolder&) = delete;
  ScopedFolder& operator=(const ScopedFolder&) = delete;

 private:
  std::string old_;
  bool moved_ = false;
};

}  // namespace vtx::testing
