// cfgConfiguration: a sectioned configuration file read into a tree of sections and items, with
// reads and writes by path, and stores that give back the file's comments, order and lines.
//
// Paths: components separated by "/"; a leading "/" starts at the root, anything else at the
// current section; "." and empty components are skipped, ".." goes up. An entry path is a section
// path, a "/", and the entry's name: "/module.2/port.1/protocol". Names compare without regard to
// case. Problems in a file are reported through the message callback and never raised; programming
// errors (using a destroyed configuration) raise cfgError.
//
// Reading a machine or configuration file:
//   cfgConfiguration config(1, cfgConfiguration::kWarning | cfgConfiguration::kError, OnMessage,
//                           &context, '=', false);
//   if (config.parseFile("board.cfg") != 0) ...
//   for (size_t i = 0; i < config.root().subsectionCount(); ++i) {
//     const cfgSection& section = config.root().subsection(i);
//     if (const cfgItem* item = section.findItem("serial"))
//       ... "board.cfg:%d: expected a number, got '%s'", item->lineNumber(), item->value().c_str()
//   }
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "cfg/cfg_lines.h"
#include "cfg/cfg_pool.h"
#include "cfg/cfg_section.h"
#include "cfg/cfg_string.h"
#include "cfg/cfg_text_file.h"

namespace vtx::cfg {

// What the message callback receives.
struct cfgMessage {
  void* userData = nullptr;
  int line = -1;  // the file line the message is about, -1 when none
  const char* text = "";
  int warnings = 0;
  int errors = 0;
  // A further explanation that is not part of the text, such as the system's reason for a
  // failure; null when there is none.
  const char* detail = nullptr;
  // Set when the message only says that an optional setting took its default value.
  bool optionalDefault = false;
};

using cfgMessageCallback = int (*)(int kind, const cfgMessage* message);

class cfgConfiguration {
 public:
  // Message kinds, also the bits of the message mask.
  enum Kind { kWarning = 1, kError = 2, kInfo = 4, kTrace = 8 };
  static constexpr uint32_t kValid = 0xBC4C4F4B;

  cfgConfiguration(uint32_t word, uint8_t mask, cfgMessageCallback callback, void* user_data,
                   char separator, bool escape);
  ~cfgConfiguration();
  cfgConfiguration(const cfgConfiguration&) = delete;
  cfgConfiguration& operator=(const cfgConfiguration&) = delete;

  // Frees the tree and the lines; every later operation raises.
  void destroy();

  // Reads the lines of an open text file into the model: 0, or -1 when the message callback
  // asked to stop at an error.
  int parse(const cfgTextFile& file);
  // Opens, reads and parses the named file: 0, -1 as parse, -2 when the file cannot be read.
  int parseFile(const char* file_name);

  // The value of an entry, environment variables expanded, lower-cased when `fold` is set.
  // Sections named on the way are created.
  bool read(const char* entry_path, cfgString& value, bool fold = false);
  // Sets an entry, creating sections on the way; a path ending in "/" creates the section.
  bool write(const char* entry_path, const char* value);
  bool write(const char* entry_path, int value);
  bool write(const char* entry_path, short value);
  bool write(const char* entry_path, unsigned short value);
  bool write(const char* entry_path, long value);
  bool write(const char* entry_path, unsigned long value);

  bool hasSubsection(const char* path);
  bool hasEntry(const char* entry_path);
  bool deleteSubsection(const char* path);

  // Makes the section current, creating missing sections; an empty path selects the root.
  void setCurrentSection(const char* path);
  std::string currentPath();
  // Names the subsection of the current section at `index` (in name order) and advances the
  // index; false once the index reaches the count.
  bool nextSubsection(cfgString& name, size_t& index);

  // Writes every line to a text file opened for writing. Without `force`, an unmodified model
  // writes nothing.
  bool store(cfgTextFile& file, bool force);
  // Like a forced store, without empty lines and comment lines.
  bool dump(cfgTextFile& file);

  bool evarsAreExpanded();
  cfgString expandEV(const cfgString& value);
  char separator();
  bool escapeCC();

  // Read access for callers that walk the tree themselves.
  const cfgSection& root();
  // The section at an absolute path, or null; never creates one.
  const cfgSection* findSection(const char* path);
  uint32_t word() const { return word_; }
  int warningCount() const { return message_.warnings; }
  int errorCount() const { return message_.errors; }

 private:
  class SectionCursor;

  void check(const char* operation) const;
  int report(int kind, int line, const char* format, ...) __attribute__((format(printf, 4, 5)));
  bool wants(int kind) const { return callback_ && (mask_ & kind); }
  // The section a path names, relative to `base` unless the path starts with "/". Missing
  // sections are created when `create` is set, else the result is null.
  cfgSection* resolve(std::string_view path, cfgSection* base, bool create);
  cfgSection* newSection(cfgSection* parent, std::string_view name);
  // A new item at index `where` of the section's items (where a lookup found no such name).
  cfgItem* newItem(cfgSection* section, size_t where, std::string_view name);
  // The one copy of a name that every item of that name shares.
  const cfgString* internName(std::string_view name);
  bool writeString(const char* operation, const char* entry_path, std::string_view value);
  bool writeNumber(const char* operation, const char* entry_path, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
  // Sets a value; an item without a line gets one in its section and, when `mark` is set, a
  // changed value marks the item and its sections modified.
  void assign(cfgSection* section, cfgItem* item, const cfgString& value, bool mark);
  // A line as a store writes it: an item's rendered "  key=value", else the line's own text.
  std::string_view lineText(const cfgLine* line, std::string& rendered) const;
  void ensureHeader(cfgSection* section);
  void setHeaderLine(cfgSection* section, cfgLine* line);
  void removeSubtree(cfgSection* section);
  // Reads the lines that `next(line)` gives, one by one, into the model (as parse()).
  template <typename NextLine>
  int parseLines(NextLine&& next);
  void parseHeader(cfgLine* line, std::string_view text, int number, bool* abort);
  // Makes the item of an item line and its line, `text` being the whole line as read.
  cfgLine* parseItem(std::string_view text, std::string_view body, int number);
  bool putLines(cfgTextFile& file, bool dumping);

  uint32_t valid_ = kValid;
  uint32_t word_;
  uint8_t mask_;
  cfgMessageCallback callback_;
  cfgString separator_;
  bool escape_;
  bool expand_ = true;
  cfgMessage message_;
  cfgLineList lines_;
  cfgSection* current_ = nullptr;
  cfgSection* root_ = nullptr;
  cfgPool<cfgSection> sections_;  // owns every section
  cfgPool<cfgItem> items_;        // owns every item
  cfgPool<cfgString> names_;      // owns the items' names, one of each
  std::unordered_map<std::string_view, const cfgString*> nameIndex_;
  int lineInProgress_ = -1;  // the file line being parsed, for messages about paths
  std::string scratch_;      // written forms and decoded text
  std::string scratch2_;
};

}  // namespace vtx::cfg
