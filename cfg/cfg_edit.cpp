// How changes reach the line list: a changed item rewrites its line, a new item or section gets a
// line in the right place, and a deleted section takes its lines with it.
#include <string>
#include <vector>

#include "cfg/cfg_configuration.h"
#include "cfg/cfg_syntax.h"

namespace vtx::cfg {

std::string_view cfgConfiguration::lineText(const cfgLine* line, std::string& rendered) const {
  const cfgItem* item = line->item();
  if (!item) return line->text();
  syntax::writeItemLine(item->name().view(), separator_[0], item->value().view(), escape_,
                        rendered);
  return rendered;
}

void cfgConfiguration::assign(cfgSection* section, cfgItem* item, const cfgString& value,
                              bool mark) {
  if (item->hasValue_ && item->value_ == value.view()) return;
  item->value_ = value;
  item->hasValue_ = true;
  if (!item->line_) {
    cfgLine* after = section->lastItemLine_;
    if (!after) {
      ensureHeader(section);
      after = section->header_;
    }
    item->line_ = lines_.insertItemAfter(after, item);
    section->lastItemLine_ = item->line_;
    section->extendLastLine(after, item->line_);
  }
  if (mark) {
    item->modified_ = true;
    section->markModified();
  }
}

void cfgConfiguration::ensureHeader(cfgSection* section) {
  if (section->header_ || !section->parent_) return;
  // A new section goes after everything its parent already holds; a parent without lines yet
  // defers to its own parent, up to the end of the root's lines.
  cfgLine* after = nullptr;
  for (cfgSection* s = section->parent_; s && !after; s = s->parent_) after = s->lastLine_;
  std::string path = section->path();
  syntax::writeHeaderLine(std::string_view(path).substr(1), escape_, scratch2_);
  cfgLine* line = lines_.insertAfter(after, scratch2_);
  setHeaderLine(section, line);
  section->extendLastLine(after, line);
}

void cfgConfiguration::setHeaderLine(cfgSection* section, cfgLine* line) {
  if (section->header_) {
    std::string old(lineText(section->header_, scratch_));
    std::string now(lineText(line, scratch_));
    report(kWarning, -1,
           "Previous line '%s' is being reset with '%s'. This function is being called twice.",
           old.c_str(), now.c_str());
  }
  section->header_ = line;
}

bool cfgConfiguration::deleteSubsection(const char* path) {
  check("deleteSubsection('ipath')");
  cfgSection* section = resolve(path ? path : "", current_, false);
  if (!section || !section->parent_) {
    report(kTrace, -1, "cfgConfiguration.deleteSubsection()=>\n  No section '%s' to delete",
           path ? path : "");
    return false;
  }
  cfgSection* parent = section->parent_;
  report(kInfo, -1, "cfgConfiguration.deleteSubsection()=>\n  Deleting section '%s' from '%s'",
         section->name_.c_str(), parent->path().c_str());
  for (cfgSection* s = current_; s; s = s->parent_) {
    if (s == section) current_ = parent;
  }
  removeSubtree(section);
  parent->removeSubsection(section);
  parent->markModified();
  return true;
}

void cfgConfiguration::removeSubtree(cfgSection* section) {
  std::vector<cfgLine*> doomed;
  std::vector<cfgSection*> pending{section};
  while (!pending.empty()) {
    cfgSection* s = pending.back();
    pending.pop_back();
    if (s->header_) doomed.push_back(s->header_);
    for (size_t i = 0; i < s->items_.count(); ++i) {
      cfgLine* line = static_cast<cfgItem*>(s->items_.item(i))->line_;
      if (line) doomed.push_back(line);
    }
    for (size_t i = 0; i < s->subsections_.count(); ++i) {
      pending.push_back(static_cast<cfgSection*>(s->subsections_.item(i)));
    }
  }
  for (cfgLine* line : doomed) {
    if (wants(kTrace)) {
      std::string text(lineText(line, scratch_));
      report(kTrace, -1, "cfgConfiguration.deleteSubsection()=>\n  Removing line '%s'",
             text.c_str());
    }
    // Sections that ended at the line now end at the item or header before it; comments are
    // passed over, since they introduce what follows them.
    cfgLine* before = line->prev;
    // (An item named from ";" or "#" reads as a comment on its line too.)
    while (before && syntax::isComment(lineText(before, scratch_))) before = before->prev;
    for (cfgSection* s = section->parent_; s; s = s->parent_) {
      if (s->lastLine_ == line) s->lastLine_ = before;
    }
    lines_.unlink(line);
  }
}

}  // namespace vtx::cfg
