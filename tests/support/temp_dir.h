// A directory of the test's own under the test temporary directory, removed with its contents.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace vtx::testing {

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "vtx") {
    std::string pattern =
        std::filesystem::temp_directory_path().string() + "/" + prefix + "_XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }  // empty when it could not be made
  std::string Path(const std::string& leaf) const { return path_ + "/" + leaf; }

 private:
  std::string path_;
};

}  // namespace vtx::testing
