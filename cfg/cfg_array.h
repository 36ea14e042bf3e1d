// The library's two growable arrays. Capacity starts at 16 elements (or the first request when
// larger) and grows by half of itself, at least 16 and at most 4096 elements at a time, so that a
// large file does not double its memory at the last line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cfg/cfg_error.h"

namespace vtx::cfg {

template <typename T>
class cfgArray {
 public:
  size_t count() const noexcept { return data_.size(); }
  T& item(size_t idx) {
    if (idx >= data_.size()) throw cfgError(indexError_);
    return data_[idx];
  }
  const T& item(size_t idx) const { return const_cast<cfgArray*>(this)->item(idx); }

  // Room for `count` elements: the first request sets the starting capacity when it is larger.
  void reserve(size_t count) {
    if (data_.capacity() == 0 && count > 16) data_.reserve(count);
  }
  void append(T value) { insertAt(data_.size(), value); }
  void insertAt(size_t idx, T value) {
    if (idx > data_.size()) throw cfgError(indexError_);
    reserveFor(data_.size() + 1);
    data_.insert(data_.begin() + idx, value);
  }
  void removeAt(size_t idx) {
    if (idx >= data_.size()) throw cfgError(indexError_);
    data_.erase(data_.begin() + idx);
  }
  void clear() noexcept { data_.clear(); }
  size_t capacity() const noexcept { return data_.capacity(); }

  // Binary search: the first index whose element does not order before the key. `order(element)`
  // is negative, zero or positive as the element orders before, with or after the key.
  template <typename Order>
  size_t lowerBound(Order order) const {
    size_t low = 0, high = data_.size();
    while (low < high) {
      size_t mid = low + (high - low) / 2;
      if (order(data_[mid]) < 0) {
        low = mid + 1;
      } else {
        high = mid;
      }
    }
    return low;
  }

 protected:
  explicit cfgArray(const char* index_error) : indexError_(index_error) {}

 private:
  void reserveFor(size_t needed) {
    size_t capacity = data_.capacity();
    if (needed <= capacity) return;
    size_t step = capacity / 2;
    if (step < 16) step = 16;
    if (step > 4096) step = 4096;
    size_t grown = capacity == 0 ? 16 : capacity + step;
    data_.reserve(grown > needed ? grown : needed);
  }

  std::vector<T> data_;
  const char* indexError_;
};

class ArrayOfLongs : public cfgArray<long> {
 public:
  ArrayOfLongs() : cfgArray("ArrayOfLongs.item(size_t idx)=> invalid index") {}
};

class ArrayOfVoidPointers : public cfgArray<void*> {
 public:
  ArrayOfVoidPointers() : cfgArray("ArrayOfVoidPointers.item(size_t idx)=> invalid index") {}
};

// Numbers of objects kept elsewhere: half the size of pointers to them.
class ArrayOfIndices : public cfgArray<uint32_t> {
 public:
  ArrayOfIndices() : cfgArray("ArrayOfIndices.item(size_t idx)=> invalid index") {}
};

}  // namespace vtx::cfg
