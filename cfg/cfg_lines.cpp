#include "cfg/cfg_lines.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "cfg/cfg_error.h"
#include "cfg/cfg_section.h"

namespace vtx::cfg {

const cfgItem* cfgLine::item() const {
  return isItem() ? static_cast<const cfgItem*>(this) : nullptr;
}

// Regions come from the aligned operator new, which every C++17 runtime has (the C library's
// aligned_alloc is missing from the Windows one).
void cfgLineList::RegionFree::operator()(void* region) const {
  ::operator delete (region, std::align_val_t{kBlockBytes});
}

uint32_t cfgLineList::indexOf(const cfgLine* line) {
  const auto address = reinterpret_cast<uintptr_t>(line);
  const auto* block = reinterpret_cast<const cfgLine*>(address & ~uintptr_t{kBlockBytes - 1});
  return block->prev_ * kPerBlock + static_cast<uint32_t>(line - block);
}

cfgLine* cfgLineList::make() {
  if (used_ == kPerBlock) {
    if (blocks_.size() >= UINT32_MAX / kPerBlock) throw cfgError("out of memory in cfgLineList");
    if (spare_ == 0) {
      const size_t count = regions_.empty() ? 1 : std::min(blocks_.size(), kMaxRegion);
      void* region =
          ::operator new (count* kBlockBytes, std::align_val_t{kBlockBytes}, std::nothrow);
      if (!region) throw cfgError("out of memory in cfgLineList");
      regions_.emplace_back(region);
      carve_ = static_cast<cfgLine*>(region);
      spare_ = count;
    }
    cfgLine* block = carve_;
    carve_ += kPerBlock;
    --spare_;
    new (block) cfgLine;
    block->prev_ = static_cast<uint32_t>(blocks_.size());
    blocks_.push_back(block);
    used_ = 1;
  }
  return new (&blocks_.back()[used_++]) cfgLine;
}

void cfgLineList::setText(cfgLine* line, std::string_view text) {
  if (text.size() > cfgLine::kLengthMask) throw cfgError("out of memory in cfgLineList");
  line->text_ = text.empty() ? "" : texts_.keep(text).data();
  line->length_ = static_cast<uint32_t>(text.size());
}

cfgLine* cfgLineList::append(std::string_view text, int number) {
  cfgLine* line = make();
  setText(line, text);
  line->number = number;
  link(tail(), line);
  return line;
}

cfgLine* cfgLineList::insertAfter(cfgLine* after, std::string_view text) {
  cfgLine* line = make();
  setText(line, text);
  std::string_view shown = after ? after->text() : std::string_view();
  link(!shown.empty() && shown[0] == '#' ? nullptr : after, line);
  return line;
}

cfgItem* cfgLineList::newItem(const cfgString* name) {
  cfgLine* slot = make();
  auto* item = new (slot) cfgItem;
  item->name_ = name;
  item->text_ = nullptr;
  return item;
}

void cfgLineList::appendItem(cfgItem* item, int number) {
  item->number = number;
  link(tail(), item);
}

void cfgLineList::insertItemAfter(cfgLine* after, cfgItem* item) {
  std::string_view shown = after ? after->text() : std::string_view();
  link(!shown.empty() && shown[0] == '#' ? nullptr : after, item);
}

cfgItem* cfgLineList::moveItemOff(cfgItem* item, std::string_view text) {
  cfgItem* moved = newItem(item->name_);
  moved->text_ = item->text_;
  moved->length_ = item->length_;
  item->name_ = nullptr;
  setText(item, text);
  return moved;
}

void cfgLineList::freeValue(cfgLine* line) {
  if ((line->length_ & cfgLine::kOwned) == 0) return;
  delete[] line->text_;
  --owned_;
}

void cfgLineList::setValue(cfgItem* item, std::string_view value, bool from_file) {
  if (value.size() > cfgLine::kLengthMask) throw cfgError("out of memory in cfgLineList");
  const uint32_t modified = item->length_ & cfgLine::kModified;
  freeValue(item);
  if (from_file) {
    item->text_ = texts_.keep(value).data();
    item->length_ = static_cast<uint32_t>(value.size()) | modified;
    return;
  }
  char* text = new (std::nothrow) char[value.size() + 1];
  if (!text) throw cfgError("out of memory in cfgLineList");
  if (!value.empty()) std::memcpy(text, value.data(), value.size());
  text[value.size()] = '\0';
  item->text_ = text;
  item->length_ = static_cast<uint32_t>(value.size()) | modified | cfgLine::kOwned;
  ++owned_;
}

void cfgLineList::commitValue(cfgItem* item, size_t used) {
  const uint32_t modified = item->length_ & cfgLine::kModified;
  freeValue(item);
  item->text_ = texts_.finish(used).data();
  item->length_ = static_cast<uint32_t>(used) | modified;
}

void cfgLineList::link(cfgLine* after, cfgLine* line) {
  const uint32_t index = indexOf(line);
  const uint32_t following = after ? after->next_ : head_;
  line->prev_ = after ? indexOf(after) : 0;
  line->next_ = following;
  (after ? after->next_ : head_) = index;
  (following ? at(following)->prev_ : tail_) = index;
}

void cfgLineList::unlink(cfgLine* line) {
  (line->prev_ ? at(line->prev_)->next_ : head_) = line->next_;
  (line->next_ ? at(line->next_)->prev_ : tail_) = line->prev_;
  line->prev_ = line->next_ = 0;
}

void cfgLineList::clear() {
  for (size_t b = 0; b < blocks_.size() && owned_ > 0; ++b) {
    const uint32_t used = b + 1 == blocks_.size() ? used_ : kPerBlock;
    for (uint32_t i = 1; i < used; ++i) freeValue(&blocks_[b][i]);
  }
  blocks_.clear();
  regions_.clear();
  spare_ = 0;
  used_ = kPerBlock;
  head_ = tail_ = 0;
  owned_ = 0;
  texts_.clear();
}

}  // namespace vtx::cfg
