// The line list of a configuration: every line of the parsed file in order, comments included,
// and the lines that writes add. Items and section headers point at their lines, so a store puts
// back the file as it was with only the changed lines rewritten.
#pragma once

#include "cfg/cfg_pool.h"
#include "cfg/cfg_string.h"

namespace vtx::cfg {

struct cfgLine {
  cfgString text;
  int number = -1;  // line number in the parsed file (from 1); -1 for a line a write created
  cfgLine* prev = nullptr;
  cfgLine* next = nullptr;
};

class cfgLineList {
 public:
  cfgLine* head() const { return head_; }
  cfgLine* tail() const { return tail_; }
  bool empty() const { return head_ == nullptr; }

  cfgLine* append(const cfgString& text, int number);
  // Puts a new line right behind `after`; with no line to follow, or one that is a "#" comment,
  // the new line goes to the head of the list.
  cfgLine* insertAfter(cfgLine* after, const cfgString& text);
  void unlink(cfgLine* line);
  void clear();

 private:
  cfgLine* make(const cfgString& text, int number);

  cfgPool<cfgLine> store_;  // owns the lines; unlinked ones stay until the list is cleared
  cfgLine* head_ = nullptr;
  cfgLine* tail_ = nullptr;
};

}  // namespace vtx::cfg
