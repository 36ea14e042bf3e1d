// The report of a file checker: messages about one file, listed once each in line order as
// "FILE:LINE: error: TEXT" on standard error, or as JSON for scripts, with the exit
// status the checkers share.
#pragma once

#include <string>
#include <vector>

namespace tarrow {

enum class Severity { kError, kWarning, kInfo };

class FileReport {
 public:
  explicit FileReport(std::string file) : file_(std::move(file)) {}

  // `line` 0 or less: about the file as a whole. Line breaks in `text` are folded into one line.
  void Add(int line, Severity severity, const std::string& text);

  // Sorted by line (whole-file messages first), duplicates dropped. `quiet` prints nothing
  // unless `json` is set: JSON goes to standard output as {"file", "messages": [{"line" (null for
  // the whole file), "severity", "message"}]}.
  void Print(bool json, bool quiet);
  // 0 clean, 1 with errors, or with warnings when `strict` is set.
  int ExitStatus(bool strict) const;

 private:
  struct Entry {
    int line;
    Severity severity;
    std::string text;
  };
  std::string file_;
  std::vector<Entry> entries_;
};

}  // namespace tarrow
