// cfgTextFile: a configuration file as an array of lines with their line ends. Reading splits the
// file at line feeds and drops carriage returns; writing puts the lines back with their ends.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cfg/cfg_array.h"
#include "cfg/cfg_string.h"

namespace vtx::cfg {

class cfgTextFile {
 public:
  enum Mode { kRead = 0, kWrite = 1 };
  enum LineEnd { kKeepLineEnds = -1, kNoLineEnd = 0, kLF = 1, kCRLF = 2 };

  explicit cfgTextFile(const char* file_name);
  ~cfgTextFile();
  cfgTextFile(const cfgTextFile&) = delete;
  cfgTextFile& operator=(const cfgTextFile&) = delete;

  // kRead opens the file ("rb"); kWrite starts an empty line array that close() writes out. Any
  // other mode raises, after opening for writing.
  bool open(int mode);
  // Reads every line of a file opened for reading; false on a stream error.
  bool readAll();
  // Takes the lines of bytes read elsewhere (a caller that opens its files its own way), as
  // readAll() would have read them.
  void assign(std::string_view bytes);
  // Writes the lines to the file, each with its own line end or, with kNoLineEnd, kLF or kCRLF,
  // all with that one.
  bool write(int line_end = kKeepLineEnds);
  // Closes the file; a file opened for writing is written out first when lines were given to it,
  // so that a store that had nothing to write leaves the file on disk as it was.
  bool close();
  // True while the file is open and no read or write has failed.
  bool good() const { return good_; }
  bool writable() const { return good_ && mode_ == kWrite; }

  const std::string& fileName() const { return fileName_; }
  size_t lineCount() const { return lines_.size(); }
  const cfgString& line(size_t idx) const;
  long lineEnd(size_t idx) const { return ends_.item(idx); }
  void append(const cfgString& text, LineEnd end);
  // Forgets the lines given to a file opened for writing, so that closing it writes nothing: the
  // file then serves as text in memory.
  void discard() {
    lines_.clear();
    ends_.clear();
    pending_ = false;
  }

 private:
  void openHook(int mode);
  // Makes the lines of a file's bytes.
  void splitLines(std::string_view bytes);

  std::string fileName_;
  std::vector<cfgString> lines_;
  ArrayOfLongs ends_;
  int mode_ = kRead;
  std::FILE* stream_ = nullptr;
  bool good_ = false;
  bool pending_ = false;  // lines given to a file opened for writing, not yet on disk
};

}  // namespace vtx::cfg
