// A test's own process environment for a while: a variable set, or the current folder changed,
// until the end of the scope.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "tests/support/environment.h"

namespace vtx::testing {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    const char* old = getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    SetVariable(name, value.c_str());
  }
  ~ScopedEnv() {
    if (had_) {
      SetVariable(name_, old_.c_str());
    } else {
      UnsetVariable(name_);
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
    std::error_code error;
    old_ = std::filesystem::current_path(error);
    if (error) return;
    std::filesystem::current_path(folder, error);
    moved_ = !error;
  }
  ~ScopedFolder() {
    std::error_code error;
    if (moved_) std::filesystem::current_path(old_, error);
    if (error) abort();
  }
  bool moved() const { return moved_; }
  ScopedFolder(const ScopedFolder&) = delete;
  ScopedFolder& operator=(const ScopedFolder&) = delete;

 private:
  std::filesystem::path old_;
  bool moved_ = false;
};

}  // namespace vtx::testing
