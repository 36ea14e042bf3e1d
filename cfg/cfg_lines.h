// The line list of a configuration: every line of the parsed file in order, comments included,
// and the lines that writes add. Items and section headers point at their lines, so a store puts
// back the file as it was. An item's line holds no text: a store renders it as "  key=value" from
// the item, so that reading a file never rewrites its lines.
#pragma once

#include <cstdint>
#include <string_view>

#include "cfg/cfg_pool.h"
#include "cfg/cfg_string.h"

namespace vtx::cfg {

class cfgItem;

struct cfgLine {
  cfgLine* prev = nullptr;
  cfgLine* next = nullptr;
  int number = -1;  // line number in the parsed file (from 1); -1 for a line a write created

  bool isItem() const { return length_ == kItemLine; }
  // The item a store renders on this line; null for a line of text.
  const cfgItem* item() const { return isItem() ? item_ : nullptr; }
  // The text of a line that is not an item's.
  std::string_view text() const {
    return isItem() ? std::string_view() : std::string_view(text_, length_);
  }

 private:
  friend class cfgLineList;
  static constexpr uint32_t kItemLine = 0xFFFFFFFF;

  uint32_t length_ = 0;
  union {
    const char* text_ = "";
    const cfgItem* item_;
  };
};

class cfgLineList {
 public:
  cfgLine* head() const { return head_; }
  cfgLine* tail() const { return tail_; }
  bool empty() const { return head_ == nullptr; }

  cfgLine* append(std::string_view text, int number);
  cfgLine* appendItem(const cfgItem* item, int number);
  // Puts a new line right behind `after`; with no line to follow, or one that is a "#" comment,
  // the new line goes to the head of the list.
  cfgLine* insertAfter(cfgLine* after, std::string_view text);
  cfgLine* insertItemAfter(cfgLine* after, const cfgItem* item);
  // Makes a line (an item's, when its item moves to another line) a line of this text.
  void setText(cfgLine* line, std::string_view text);
  void unlink(cfgLine* line);
  void clear();

 private:
  cfgLine* link(cfgLine* after, cfgLine* line);

  cfgPool<cfgLine> store_;    // owns the lines; unlinked ones stay until the list is cleared
  cfgPool<cfgString> texts_;  // the texts of the lines that are not items'
  cfgLine* head_ = nullptr;
  cfgLine* tail_ = nullptr;
};

}  // namespace vtx::cfg
