// The line list of a configuration: every line of the parsed file in order, comments included,
// and the lines that writes add. An item is its own line: a store renders it as "  key=value"
// from the item, so that reading a file never rewrites its lines; other lines keep their text.
// Lines live in aligned blocks and link to each other by 32-bit numbers, since a large file holds
// hundreds of thousands of them.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "cfg/cfg_string.h"
#include "cfg/cfg_text_arena.h"

namespace vtx::cfg {

class cfgItem;

class cfgLine {
 public:
  bool isItem() const { return name_ != nullptr; }
  // The item a store renders on this line; null for a line of text.
  const cfgItem* item() const;
  // The text of a line that is not an item's.
  std::string_view text() const {
    return isItem() ? std::string_view() : std::string_view(text_, length_ & kLengthMask);
  }

  int number = -1;  // line number in the parsed file (from 1); -1 for a line a write created

 protected:
  friend class cfgLineList;
  static constexpr uint32_t kModified = 0x80000000;  // an item changed by a write
  static constexpr uint32_t kOwned = 0x40000000;     // text_ was allocated for this line alone
  static constexpr uint32_t kLengthMask = 0x3FFFFFFF;

  uint32_t prev_ = 0, next_ = 0;     // 0: none
  uint32_t length_ = 0;              // of text_, with the flags above
  const char* text_ = "";            // the line's text, or an item's value (null before it has one)
  const cfgString* name_ = nullptr;  // an item's name, shared by every item of that name
};

class cfgLineList {
 public:
  cfgLineList() = default;
  ~cfgLineList() { clear(); }
  cfgLineList(const cfgLineList&) = delete;
  cfgLineList& operator=(const cfgLineList&) = delete;

  cfgLine* head() const { return at(head_); }
  cfgLine* tail() const { return at(tail_); }
  cfgLine* next(const cfgLine* line) const { return at(line->next_); }
  cfgLine* prev(const cfgLine* line) const { return at(line->prev_); }
  bool empty() const { return head_ == 0; }
  // Lines by number, for those who keep numbers rather than pointers.
  static uint32_t indexOf(const cfgLine* line);
  cfgItem* itemAt(uint32_t index) const;
  bool linked(const cfgLine* line) const { return line->prev_ != 0 || head_ == indexOf(line); }

  cfgLine* append(std::string_view text, int number);
  // Puts a new line right behind `after`; with no line to follow, or one that is a "#" comment,
  // the new line goes to the head of the list.
  cfgLine* insertAfter(cfgLine* after, std::string_view text);
  // A new item of that name, on no line yet.
  cfgItem* newItem(const cfgString* name);
  void appendItem(cfgItem* item, int number);
  void insertItemAfter(cfgLine* after, cfgItem* item);
  // A new item, taking the name, value and state of `item`, whose line becomes a line of `text`.
  cfgItem* moveItemOff(cfgItem* item, std::string_view text);
  // Sets an item's value: kept in the list's text store when read from a file, else allocated
  // for the item alone (so that a value written again and again does not pile up).
  void setValue(cfgItem* item, std::string_view value, bool from_file);
  // Room for a value of at most `length` characters read from a file; commitValue() sets it.
  char* valueRoom(size_t length) { return texts_.start(length); }
  void commitValue(cfgItem* item, size_t used);
  void unlink(cfgLine* line);
  void clear();

 private:
  // A block holds kPerBlock line slots; its first slot holds the block's own number, so that a
  // line finds its number from its address, and the line number 0 means none. Blocks are carved
  // from regions that double up to kMaxRegion blocks, so that aligning them costs little.
  static constexpr size_t kBlockBytes = 16 * 1024;
  static constexpr uint32_t kPerBlock = kBlockBytes / sizeof(cfgLine);
  static constexpr size_t kMaxRegion = 64;
  static_assert(sizeof(cfgLine) <= 32,
                "lines pack at least 512 to a block (682 with 32-bit pointers)");
  struct RegionFree {
    void operator()(void* region) const;
  };

  cfgLine* at(uint32_t index) const {
    return index == 0 ? nullptr : &blocks_[index / kPerBlock][index % kPerBlock];
  }
  cfgLine* make();
  void link(cfgLine* after, cfgLine* line);
  void setText(cfgLine* line, std::string_view text);
  void freeValue(cfgLine* line);

  std::vector<std::unique_ptr<void, RegionFree>> regions_;
  std::vector<cfgLine*> blocks_;
  cfgLine* carve_ = nullptr;   // the next block of the last region
  size_t spare_ = 0;           // blocks of the last region not yet in use
  uint32_t used_ = kPerBlock;  // slots used in the last block
  uint32_t head_ = 0, tail_ = 0;
  size_t owned_ = 0;  // values allocated one by one, freed on clear()
  cfgTextArena texts_;
};

}  // namespace vtx::cfg
