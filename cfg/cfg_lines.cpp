#include "cfg/cfg_lines.h"

namespace vtx::cfg {

cfgLine* cfgLineList::make(const cfgString& text, int number) {
  cfgLine* line = store_.make();
  line->text = text;
  line->number = number;
  return line;
}

cfgLine* cfgLineList::append(const cfgString& text, int number) {
  cfgLine* line = make(text, number);
  line->prev = tail_;
  (tail_ ? tail_->next : head_) = line;
  tail_ = line;
  return line;
}

cfgLine* cfgLineList::insertAfter(cfgLine* after, const cfgString& text) {
  if (after && after->text.length() > 0 && after->text[0] == '#') after = nullptr;
  if (after == tail_ && after) return append(text, -1);
  cfgLine* line = make(text, -1);
  line->prev = after;
  line->next = after ? after->next : head_;
  (after ? after->next : head_) = line;
  (line->next ? line->next->prev : tail_) = line;
  return line;
}

void cfgLineList::unlink(cfgLine* line) {
  (line->prev ? line->prev->next : head_) = line->next;
  (line->next ? line->next->prev : tail_) = line->prev;
  line->prev = line->next = nullptr;
  line->text = cfgString();
}

void cfgLineList::clear() {
  store_.clear();
  head_ = tail_ = nullptr;
}

}  // namespace vtx::cfg
