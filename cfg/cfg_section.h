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

class cfgItem {
 public:
  const cfgString& name() const { return *name_; }
  // The decoded value as the file holds it, before environment expansion.
  const cfgString& value() const { return value_; }
  bool hasValue() const { return hasValue_; }
  bool modified() const { return modified_; }
  // The line of the file that gave the item its value (from 1), or -1 for an item a write made.
  int lineNumber() const { return line_ ? line_->number : -1; }

 private:
  friend class cfgConfiguration;
  friend class cfgSection;

  // Shared by every item of that name: a large file repeats a few names many times.
  const cfgString* name_ = nullptr;
  cfgString value_;
  cfgLine* line_ = nullptr;
  bool modified_ = false;
  bool hasValue_ = false;
};

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
  const cfgItem& item(size_t idx) const { return *static_cast<const cfgItem*>(items_.item(idx)); }
  size_t subsectionCount() const { return subsections_.count(); }
  const cfgSection& subsection(size_t idx) const {
    return *static_cast<const cfgSection*>(subsections_.item(idx));
  }
  const cfgItem* findItem(std::string_view name) const;
  const cfgSection* findSubsection(std::string_view name) const;

 private:
  friend class cfgConfiguration;

  // The index where `name` is or would go in a sorted array of items or sections.
  template <typename T>
  static size_t place(const ArrayOfVoidPointers& array, std::string_view name, bool* found);
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
  ArrayOfVoidPointers items_;
  ArrayOfVoidPointers subsections_;
  cfgString name_;
  bool modified_ = false;
  cfgLine* header_ = nullptr;
  cfgLine* lastItemLine_ = nullptr;
  cfgLine* lastLine_ = nullptr;  // the last line of the section's subtree
};

}  // namespace vtx::cfg
