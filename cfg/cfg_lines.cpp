#include "cfg/cfg_lines.h"

namespace vtx::cfg {

void cfgLineList::setText(cfgLine* line, std::string_view text) {
  if (text.empty()) {
    line->text_ = "";
    line->length_ = 0;
    return;
  }
  cfgString* kept = texts_.make();
  *kept = cfgString(text);
  line->text_ = kept->c_str();
  line->length_ = static_cast<uint32_t>(kept->length());
}

cfgLine* cfgLineList::append(std::string_view text, int number) {
  cfgLine* line = store_.make();
  setText(line, text);
  line->number = number;
  return link(tail_, line);
}

cfgLine* cfgLineList::appendItem(const cfgItem* item, int number) {
  cfgLine* line = store_.make();
  line->item_ = item;
  line->length_ = cfgLine::kItemLine;
  line->number = number;
  return link(tail_, line);
}

cfgLine* cfgLineList::insertAfter(cfgLine* after, std::string_view text) {
  cfgLine* line = store_.make();
  setText(line, text);
  std::string_view shown = after ? after->text() : std::string_view();
  return link(!shown.empty() && shown[0] == '#' ? nullptr : after, line);
}

cfgLine* cfgLineList::insertItemAfter(cfgLine* after, const cfgItem* item) {
  cfgLine* line = store_.make();
  line->item_ = item;
  line->length_ = cfgLine::kItemLine;
  std::string_view shown = after ? after->text() : std::string_view();
  return link(!shown.empty() && shown[0] == '#' ? nullptr : after, line);
}

cfgLine* cfgLineList::link(cfgLine* after, cfgLine* line) {
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
  line->text_ = "";
  line->length_ = 0;
}

void cfgLineList::clear() {
  store_.clear();
  texts_.clear();
  head_ = tail_ = nullptr;
}

}  // namespace vtx::cfg
