// A directory of the test's own under the test temporary directory, removed with its contents.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

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
  // Writes `bytes` as the file `leaf` of the directory: its path.
  std::string Write(const std::string& leaf, const std::string& bytes) const {
    return Write(leaf, bytes.data(), bytes.size());
  }
  std::string Write(const std::string& leaf, const std::vector<uint8_t>& bytes) const {
    return Write(leaf, bytes.data(), bytes.size());
  }

 private:
  std::string Write(const std::string& leaf, const void* bytes, size_t size) const {
    const std::string path = Path(leaf);
    std::ofstream(path, std::ios::binary)
        .write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    return path;
  }

  std::string path_;
};

}  // namespace vtx::testing
