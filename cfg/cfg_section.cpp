#include "cfg/cfg_section.h"

#include <vector>

namespace vtx::cfg {

int compareNames(std::string_view a, std::string_view b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
    if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string cfgSection::path() const {
  std::vector<const cfgSection*> chain;
  for (const cfgSection* s = this; s->parent_; s = s->parent_) chain.push_back(s);
  std::string text;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    text.push_back('/');
    text.append((*it)->name_.view());
  }
  return text;
}

template <typename T>
size_t cfgSection::place(const ArrayOfVoidPointers& array, std::string_view name, bool* found) {
  size_t idx = array.lowerBound([name](void* element) {
    return compareNames(static_cast<T*>(element)->name().view(), name);
  });
  *found = idx < array.count() &&
           compareNames(static_cast<T*>(array.item(idx))->name().view(), name) == 0;
  return idx;
}

cfgItem* cfgSection::item(std::string_view name, size_t* where) {
  bool found;
  size_t idx = place<cfgItem>(items_, name, &found);
  if (where) *where = idx;
  return found ? static_cast<cfgItem*>(items_.item(idx)) : nullptr;
}

cfgSection* cfgSection::subsection(std::string_view name) {
  bool found;
  size_t idx = place<cfgSection>(subsections_, name, &found);
  return found ? static_cast<cfgSection*>(subsections_.item(idx)) : nullptr;
}

const cfgItem* cfgSection::findItem(std::string_view name) const {
  return const_cast<cfgSection*>(this)->item(name);
}

const cfgSection* cfgSection::findSubsection(std::string_view name) const {
  return const_cast<cfgSection*>(this)->subsection(name);
}

void cfgSection::addSubsection(cfgSection* section) {
  bool found;
  subsections_.insertAt(place<cfgSection>(subsections_, section->name_.view(), &found), section);
}

void cfgSection::removeSubsection(cfgSection* section) {
  bool found;
  size_t idx = place<cfgSection>(subsections_, section->name_.view(), &found);
  if (found) subsections_.removeAt(idx);
}

void cfgSection::markModified() {
  for (cfgSection* s = this; s; s = s->parent_) s->modified_ = true;
}

void cfgSection::extendLastLine(cfgLine* after, cfgLine* line) {
  for (cfgSection* s = this; s; s = s->parent_) {
    if (!s->lastLine_ || s->lastLine_ == after) s->lastLine_ = line;
  }
}

void cfgSection::endSubtreeAt(cfgLine* line) {
  for (cfgSection* s = this; s; s = s->parent_) s->lastLine_ = line;
}

}  // namespace vtx::cfg
