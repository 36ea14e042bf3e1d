// The texts a parse keeps (values, comments, headers), packed end to end in large blocks, each
// text followed by a terminator: a file of small lines costs its own size, not an allocation per
// line. Texts are never freed one by one; clear() drops them all.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace vtx::cfg {

class cfgTextArena {
 public:
  // Room for `length` characters and a terminator, valid until clear(); finish() with the count
  // actually written (at most `length`) before the next call.
  char* start(size_t length);
  // Ends the text that start() began after `used` characters and returns it.
  std::string_view finish(size_t used);
  // A kept copy of `text`.
  std::string_view keep(std::string_view text);
  void clear();

 private:
  static constexpr size_t kBlock = 64 * 1024;

  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;  // the unused part of the last block
  size_t left_ = 0;
  char* text_ = nullptr;  // the text being written
  bool alone_ = false;    // it has a block of its own
};

}  // namespace vtx::cfg
