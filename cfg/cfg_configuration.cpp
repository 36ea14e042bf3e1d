#include "cfg/cfg_configuration.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "cfg/cfg_error.h"
#include "cfg/cfg_syntax.h"

namespace vtx::cfg {

// Makes the section part of an entry path current for one operation and puts the previous
// current section back afterwards; `entry` is the name after the last "/".
class cfgConfiguration::SectionCursor {
 public:
  SectionCursor(cfgConfiguration* config, std::string_view entry_path, bool create)
      : config_(config), saved_(config->current_) {
    size_t slash = entry_path.rfind('/');
    if (slash == std::string_view::npos) {
      section_ = config->current_;
      entry = entry_path;
      return;
    }
    entry = entry_path.substr(slash + 1);
    std::string_view part = slash == 0 ? std::string_view("/") : entry_path.substr(0, slash);
    section_ = config->resolve(part, config->current_, create);
    if (section_) config->current_ = section_;
  }
  ~SectionCursor() { config_->current_ = saved_; }
  cfgSection* section() const { return section_; }

  std::string_view entry;

 private:
  cfgConfiguration* config_;
  cfgSection* saved_;
  cfgSection* section_ = nullptr;
};

cfgConfiguration::cfgConfiguration(uint32_t word, uint8_t mask, cfgMessageCallback callback,
                                   void* user_data, char separator, bool escape)
    : word_(word), mask_(mask), callback_(callback), escape_(escape) {
  separator_ = separator;
  message_.userData = user_data;
  root_ = current_ = sections_.make();
  root_->owner_ = this;
}

cfgConfiguration::~cfgConfiguration() {
  if (valid_ == kValid) destroy();
}

void cfgConfiguration::check(const char* operation) const {
  if (valid_ == kValid) return;
  throw cfgError(
      std::string("\t\tcfgConfiguration.") + operation +
      "=>\n\t\tImplementation of cfgConfiguration is invalid or has been dead for a while.\n");
}

void cfgConfiguration::destroy() {
  check("destroy()");
  lines_.clear();
  items_.clear();
  nameIndex_.clear();
  names_.clear();
  sections_.clear();
  root_ = current_ = nullptr;
  valid_ = 0;
}

int cfgConfiguration::report(int kind, int line, const char* format, ...) {
  if (kind == kWarning || kind == kError) {
    message_.line = line;
    ++(kind == kWarning ? message_.warnings : message_.errors);
  }
  if (!wants(kind)) return 0;
  va_list args;
  va_start(args, format);
  char small[256];
  std::string text;
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (length >= static_cast<int>(sizeof small)) {
    text.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
  }
  va_end(args);
  message_.line = line;
  message_.text = text.empty() ? small : text.c_str();
  int result = callback_(kind, &message_);
  message_.text = "";
  return result;
}

cfgSection* cfgConfiguration::newSection(cfgSection* parent, std::string_view name) {
  cfgSection* section = sections_.make();
  section->owner_ = this;
  section->parent_ = parent;
  section->name_ = cfgString(name);
  parent->addSubsection(section);
  return section;
}

cfgItem* cfgConfiguration::newItem(cfgSection* section, size_t where, std::string_view name) {
  cfgItem* item = items_.make();
  item->name_ = internName(name);
  section->items_.insertAt(where, item);
  return item;
}

const cfgString* cfgConfiguration::internName(std::string_view name) {
  auto found = nameIndex_.find(name);
  if (found != nameIndex_.end()) return found->second;
  cfgString* kept = names_.make();
  *kept = cfgString(name);
  nameIndex_.emplace(kept->view(), kept);
  return kept;
}

cfgSection* cfgConfiguration::resolve(std::string_view path, cfgSection* base, bool create) {
  std::vector<std::string_view> names;
  if (path.empty() || path[0] != '/') {
    for (cfgSection* s = base; s->parent_; s = s->parent_) names.push_back(s->name_.view());
    std::reverse(names.begin(), names.end());
  }
  bool extra = false;
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    std::string_view name = path.substr(start, end - start);
    start = end + 1;
    if (name.empty() || name == ".") continue;
    if (name != "..") {
      names.push_back(name);
    } else if (names.empty()) {
      extra = true;
    } else {
      names.pop_back();
    }
  }
  if (extra) {
    std::string text(path);
    report(kWarning, lineInProgress_, "'%s' has extra '..', ignored.", text.c_str());
  }
  cfgSection* section = root_;
  for (std::string_view name : names) {
    cfgSection* next = section->subsection(name);
    if (!next && !create) return nullptr;
    section = next ? next : newSection(section, name);
  }
  return section;
}

bool cfgConfiguration::read(const char* entry_path, cfgString& value, bool fold) {
  check("read('ipath', 'svalue')");
  SectionCursor cursor(this, entry_path ? entry_path : "", true);
  const cfgItem* item = cursor.section()->item(cursor.entry);
  if (!item) return false;
  if (expand_) {
    syntax::expandEnvironment(item->value_.view(), scratch_);
  } else {
    scratch_.assign(item->value_.view());
  }
  if (fold) {
    for (char& c : scratch_) {
      if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    }
  }
  value = scratch_ == item->value_.view() ? item->value_ : cfgString(scratch_);
  return true;
}

bool cfgConfiguration::write(const char* entry_path, const char* value) {
  return writeString("write('ipath', 'svalue')", entry_path, value ? value : "");
}

bool cfgConfiguration::writeNumber(const char* operation, const char* entry_path,
                                   const char* format, ...) {
  check(operation);
  char text[32];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return writeString(operation, entry_path, text);
}

bool cfgConfiguration::write(const char* entry_path, int value) {
  return writeNumber("write('ipath', ivalue)", entry_path, "%d", value);
}

bool cfgConfiguration::write(const char* entry_path, short value) {
  return writeNumber("write('ipath', svalue)", entry_path, "%d", value);
}

bool cfgConfiguration::write(const char* entry_path, unsigned short value) {
  return writeNumber("write('ipath', usvalue)", entry_path, "%d", value);
}

bool cfgConfiguration::write(const char* entry_path, long value) {
  return writeNumber("write('ipath', lvalue)", entry_path, "%ld", value);
}

bool cfgConfiguration::write(const char* entry_path, unsigned long value) {
  return writeNumber("write('ipath', ulvalue)", entry_path, "%lu", value);
}

bool cfgConfiguration::writeString(const char* operation, const char* entry_path,
                                   std::string_view value) {
  check(operation);
  SectionCursor cursor(this, entry_path ? entry_path : "", true);
  cfgSection* section = cursor.section();
  std::string entry(cursor.entry);
  std::string text(value);
  if (wants(kTrace)) {
    report(kTrace, -1,
           "cfgConfiguration.doWriteString()=>\n  Writing String '%s' = '%s' to Section '%s'",
           entry.c_str(), text.c_str(), section->path().c_str());
  }
  if (entry.empty()) {
    if (wants(kTrace)) {
      report(kTrace, -1, "cfgConfiguration.doWriteString()=>\n  Creating section %s",
             section->path().c_str());
    }
    section->markModified();
    ensureHeader(section);
    return true;
  }
  if (entry[0] == '!') {
    report(kError, -1, "Configuration Item Name cannot start with '%c'.", '!');
    return false;
  }
  size_t where;
  cfgItem* item = section->item(entry, &where);
  if (!item) {
    report(kTrace, -1, "cfgConfiguration.doWriteString()=>\n  Adding Entry %s", entry.c_str());
    item = newItem(section, where, entry);
  }
  report(kTrace, -1, "cfgConfiguration.doWriteString()=>\n  Setting value %s", text.c_str());
  assign(section, item, cfgString(value), true);
  return true;
}

bool cfgConfiguration::hasSubsection(const char* path) {
  check("hasSubsection('ipath')");
  return resolve(path ? path : "", current_, false) != nullptr;
}

bool cfgConfiguration::hasEntry(const char* entry_path) {
  check("hasEntry('ipath')");
  SectionCursor cursor(this, entry_path ? entry_path : "", false);
  return cursor.section() && cursor.section()->item(cursor.entry) != nullptr;
}

void cfgConfiguration::setCurrentSection(const char* path) {
  check("setCurrentSection('ipath')");
  std::string_view text = path ? path : "";
  current_ = text.empty() ? root_ : resolve(text, current_, true);
}

std::string cfgConfiguration::currentPath() {
  check("currentPath()");
  return current_->path();
}

bool cfgConfiguration::nextSubsection(cfgString& name, size_t& index) {
  check("nextSubsection('name', index)");
  if (index >= current_->subsectionCount()) return false;
  name = current_->subsection(index++).name();
  return true;
}

bool cfgConfiguration::evarsAreExpanded() {
  check("evarsAreExpanded()");
  return expand_;
}

cfgString cfgConfiguration::expandEV(const cfgString& value) {
  check("expandEV('svalue')");
  syntax::expandEnvironment(value.view(), scratch_);
  return scratch_ == value.view() ? value : cfgString(scratch_);
}

char cfgConfiguration::separator() {
  check("separator()");
  return separator_[0];
}

bool cfgConfiguration::escapeCC() {
  check("escapeCC()");
  return escape_;
}

const cfgSection& cfgConfiguration::root() {
  check("root()");
  return *root_;
}

const cfgSection* cfgConfiguration::findSection(const char* path) {
  check("findSection('ipath')");
  return resolve(path ? path : "", root_, false);
}

}  // namespace vtx::cfg
