// Text descriptions of the small binary files the tool writes (country parameter files,
// protocol and coefficient files): one statement a line, words separated by blanks, "#" starting
// a comment anywhere. Every mistake is told as "FILE:LINE: expected X, got Y".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tarrow {

class DescriptionReader {
 public:
  explicit DescriptionReader(std::string name) : name_(std::move(name)) {}
  virtual ~DescriptionReader() = default;

  // Opens the description and hands each statement to Statement; false at the first mistake,
  // or when the file cannot be read (said on standard error with `tool`'s name).
  bool ReadFile(const std::string& tool);

 protected:
  // One statement's words (never empty); false after reporting a mistake with Error.
  virtual bool Statement(const std::vector<std::string>& words) = 0;
  // Called after the last line; false after reporting what is missing.
  virtual bool End() { return true; }
  bool Error(const std::string& expected, const std::string& got);
  int line() const { return line_; }

 private:
  bool Read(FILE* in);

  std::string name_;
  int line_ = 0;
};

// The word in double quotes, as the mistakes show what they got.
std::string Quoted(const std::string& word);
// The first word after the statement's name, quoted, or "nothing".
std::string Got(const std::vector<std::string>& words, size_t index);
// Writes `bytes` to `path`; false with "<tool>: cannot write "<path>"" on standard error.
bool WriteBytes(const std::string& tool, const std::string& path,
                const std::vector<uint8_t>& bytes);

}  // namespace tarrow
