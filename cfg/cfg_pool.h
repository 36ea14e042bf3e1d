// Storage for the many small objects of a configuration (sections, names): allocated in
// chunks and all freed together when the configuration goes, since a large file holds hundreds
// of thousands of them and they are only ever dropped as a whole.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace vtx::cfg {

template <typename T>
class cfgPool {
 public:
  // A new default-constructed object, valid until clear().
  T* make() {
    if (used_ == kChunk) {
      chunks_.push_back(std::make_unique<T[]>(kChunk));
      used_ = 0;
    }
    return &chunks_.back()[used_++];
  }
  void clear() {
    chunks_.clear();
    used_ = kChunk;
  }

 private:
  static constexpr size_t kChunk = 256;
  std::vector<std::unique_ptr<T[]>> chunks_;
  size_t used_ = kChunk;
};

}  // namespace vtx::cfg
