// The tree of a configuration: sections holding items (key and value) and subsections, both kept
// sorted by name without regard to case. Readers (the call-control schema, the simulator's machine
// files) walk it through the const accessors; changes go through cfgConfiguration.
#pragma once

#include <string>
#include <string_view>

#include "cfg/cfg_array.h"
#include "cfg/cfg_lines.h"
#include "cfg/cfg_string.h"

namespace vtx::cfg {

class cfgConfiguration;
class cfgSection;

// Names compare without regard to case (ASCII letters).
int compareNames(std::string_view a, std::string_view b);

// A value as an item holds it: the characters and their count, followed by a terminator.
class cfgText {
 public:
  cfgText(const char* text, size_t length) : text_(text), length_(length) {}
  const char* c_str() const { return text_; }
  size_t length() const { return length_; }
  bool empty() const { return length_ == 0; }
  std::string_view view() const { return {text_, length_}; }
  friend bool operator==(const cfgText& a, std::string_view b) { return a.view() == b; }
  friend bool operator!=(const cfgText& a, std::string_view b) { return a.view() != b; }

 private:
  const char* text_;
  size_t length_;
};

// An item is the line of the file that gave it its value (or that a write made for it).
class cfgItem : public cfgLine {
 public:
  const cfgString& name() const { return *name_; }
  // The decoded value as the file holds it, before environment expansion; valid until the item
  // is written again.
  cfgText value() const { return text_ ? cfgText(text_, length_ & kLengthMask) : cfgText("", 0); }
  bool hasValue() const { return text_ != nullptr; }
  bool modified() const { return (length_ & kModified) != 0; }
  // The line of the file that gave the item its value (from 1), or -1 for an item a write made.
  int lineNumber() const { return number; }

 private:
  friend class cfgConfiguration;
  void markModified() { length_ |= kModified; }
};
static_assert(sizeof(cfgItem) == sizeof(cfgLine), "an item is a line");

inline cfgItem* cfgLineList::itemAt(uint32_t index) const {
  return static_cast<cfgItem*>(at(index));
}

class cfgSection {
 public:
  cfgConfiguration* owner() const { return owner_; }
  cfgSection* parent() const { return parent_; }
  const cfgString& name() const { return name_; }
  // "/" and the names from the top-level section down to this one; empty for the root.
  std::string path() const;
  bool modified() const { return modified_; }
  // The line of the file holding the section's header (from 1), or -1 when it has none there.
  int lineNumber() const { return header_ ? header_->number : -1; }

  size_t itemCount() const { return items_.count(); }
  const cfgItem& item(size_t idx) const { return *itemAt(idx); }
  size_t subsectionCount() const { return subsections_.count(); }
  const cfgSection& subsection(size_t idx) const {
    return *static_cast<const cfgSection*>(subsections_.item(idx));
  }
  const cfgItem* findItem(std::string_view name) const;
  const cfgSection* findSubsection(std::string_view name) const;

 private:
  friend class cfgConfiguration;

  // The index where `name` is or would go in the sorted array of subsections.
  size_t placeSubsection(std::string_view name, bool* found) const;
  cfgItem* itemAt(size_t idx) const;
  void insertItem(size_t idx, cfgItem* item);
  void replaceItem(size_t idx, cfgItem* item);
  // The item of that name, or null; `where` receives its index or the index it would take.
  cfgItem* item(std::string_view name, size_t* where = nullptr);
  cfgSection* subsection(std::string_view name);
  void addSubsection(cfgSection* section);
  void removeSubsection(cfgSection* section);
  // Marks this section and every ancestor modified.
  void markModified();
  // A line of this section was put behind `after`: the sections whose subtree ended there (or
  // had no line yet) now end at `line`.
  void extendLastLine(cfgLine* after, cfgLine* line);
  // A line of this section was appended to the list: it ends this subtree and its ancestors'.
  void endSubtreeAt(cfgLine* line);

  cfgConfiguration* owner_ = nullptr;
  cfgSection* parent_ = nullptr;
  ArrayOfIndices items_;  // by their line numbers in the owner's line list
  ArrayOfVoidPointers subsections_;
  cfgString name_;
  bool modified_ = false;
  cfgLine* header_ = nullptr;
  cfgLine* lastItemLine_ = nullptr;
  cfgLine* lastLine_ = nullptr;  // the last line of the section's subtree
};

}  // namespace vtx::cfg
