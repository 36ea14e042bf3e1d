// A directory of the test's own under the test temporary directory, removed with its contents.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace vtx::testing {

class TempDir {
 public:
  // A new directory of a random name: one that exists already is never taken over.
  explicit TempDir(const std::string& prefix = "vtx") {
    std::error_code error;
    const std::string base = std::filesystem::temp_directory_path(error).string();
    std::random_device entropy;
    for (int attempt = 0; attempt < 100 && path_.empty() && !error; ++attempt) {
      const std::string candidate = base + "/" + prefix + "_" + std::to_string(entropy());
      if (std::filesystem::create_directory(candidate, error)) path_ = candidate;
    }
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
