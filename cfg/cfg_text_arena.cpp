#include "cfg/cfg_text_arena.h"

#include <cstring>
#include <new>

#include "cfg/cfg_error.h"

namespace vtx::cfg {

char* cfgTextArena::start(size_t length) {
  const size_t needed = length + 1;
  alone_ = needed > kBlock / 4;
  if (alone_ || needed > left_) {
    // A long text gets a block of its own, so that it does not strand the rest of a block; the
    // blocks grow from 4 KiB, so that a small file stays small.
    size_t size = blocks_.size() < 4 ? size_t{4096} << blocks_.size() : kBlock;
    if (size < needed) size = needed;
    char* block = new (std::nothrow) char[size];
    if (!block) throw cfgError("out of memory in cfgTextArena::start");
    blocks_.emplace_back(block);
    text_ = block;
    if (alone_) return text_;  // the block being filled stays the one to fill
    free_ = block;
    left_ = size;
  }
  text_ = free_;
  return text_;
}

std::string_view cfgTextArena::finish(size_t used) {
  text_[used] = '\0';
  if (!alone_) {
    free_ += used + 1;
    left_ -= used + 1;
  }
  return {text_, used};
}

std::string_view cfgTextArena::keep(std::string_view text) {
  char* to = start(text.size());
  if (!text.empty()) std::memcpy(to, text.data(), text.size());
  return finish(text.size());
}

void cfgTextArena::clear() {
  blocks_.clear();
  free_ = nullptr;
  left_ = 0;
}

}  // namespace vtx::cfg
