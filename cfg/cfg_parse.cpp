// Reading a file into the model: continuation lines are joined, every line goes to the line list
// (comments too, so a store gives them back), headers select sections and items fill them. A file
// is read in blocks and parsed as its lines arrive: nothing holds the whole file.
#include <cstdio>
#include <cstring>
#include <string>

#include "cfg/cfg_configuration.h"
#include "cfg/cfg_syntax.h"

namespace vtx::cfg {
namespace {

// The lines of an open file, split at line feeds with every carriage return dropped, as a
// cfgTextFile reads them: a line feed ends a line, and text after the last one is a line too.
class BlockLines {
 public:
  explicit BlockLines(std::FILE* stream) : stream_(stream) {}
  bool failed() const { return failed_; }

  // The next line, valid until the next call; false after the last line. A line that lies
  // within the block without a carriage return is not copied.
  bool operator()(std::string_view& line) {
    if (pos_ == end_ && !refill()) return false;  // a final line feed ends the last line
    const char* start = block_ + pos_;
    const void* lf = std::memchr(start, '\n', end_ - pos_);
    const size_t stop = lf ? static_cast<size_t>(static_cast<const char*>(lf) - block_) : end_;
    if (lf && !std::memchr(start, '\r', stop - pos_)) {
      line = std::string_view(start, stop - pos_);
      pos_ = stop + 1;
      return true;
    }
    line_.clear();
    for (;;) {
      const char* from = block_ + pos_;
      lf = std::memchr(from, '\n', end_ - pos_);
      const size_t to = lf ? static_cast<size_t>(static_cast<const char*>(lf) - block_) : end_;
      appendWithoutCarriageReturns(from, block_ + to);
      pos_ = lf ? to + 1 : to;
      if (lf || !refill()) break;
    }
    line = line_;
    return true;
  }

 private:
  void appendWithoutCarriageReturns(const char* from, const char* to) {
    while (from != to) {
      const void* cr = std::memchr(from, '\r', static_cast<size_t>(to - from));
      const char* stop = cr ? static_cast<const char*>(cr) : to;
      line_.append(from, stop);
      from = cr ? stop + 1 : to;
    }
  }

  bool refill() {
    end_ = std::fread(block_, 1, sizeof block_, stream_);
    pos_ = 0;
    if (end_ == 0 && std::ferror(stream_)) failed_ = true;
    return end_ > 0;
  }

  std::FILE* stream_;
  char block_[64 * 1024];
  size_t pos_ = 0, end_ = 0;
  bool failed_ = false;
  std::string line_;
};

}  // namespace

int cfgConfiguration::parseFile(const char* file_name) {
  check("parseFile('ifile')");
  std::FILE* stream = std::fopen(file_name ? file_name : "", "rb");
  if (!stream) return -2;
  BlockLines lines(stream);
  int result = parseLines(lines);
  std::fclose(stream);
  return lines.failed() ? -2 : result;
}

int cfgConfiguration::parse(const cfgTextFile& file) {
  check("parse('ifile')");
  size_t next = 0;
  return parseLines([&file, &next](std::string_view& line) {
    if (next >= file.lineCount()) return false;
    line = file.line(next++).view();
    return true;
  });
}

template <typename NextLine>
int cfgConfiguration::parseLines(NextLine&& next) {
  // A line that `next` gives stays valid only until the next call.
  std::string text;  // the line being parsed, its continuation lines joined
  std::string_view second;
  if (!next(second)) return 0;
  text.assign(second);
  bool more = next(second);
  if (!more && text.empty()) {
    report(kWarning, 0, "The input stream seems to be empty.");
    return 0;
  }
  cfgSection* saved = current_;
  current_ = root_;
  bool abort = false;
  int number = 1;
  int last = 1;  // the number of the last line read
  bool pending = true;
  while (pending && !abort) {
    // `text` holds line `number`; `second`, when `more`, the line after the last one read.
    while (syntax::continues(text)) {
      text.pop_back();
      if (!more) break;
      text.append(syntax::skipWhite(second));
      ++last;
      more = next(second);
    }
    std::string_view body = syntax::skipWhite(text);
    const bool first_line = lines_.empty();
    cfgLine* line = nullptr;
    if (syntax::isComment(body)) {
      line = lines_.append(text, number);
    } else {
      lineInProgress_ = number;
      if (body[0] == '[') {
        line = lines_.append(text, number);
        parseHeader(line, body, number, &abort);
      } else {
        line = parseItem(text, body, number);
      }
      lineInProgress_ = -1;
    }
    // The root's own line is the file's first line, unless that line already heads a section.
    if (first_line && (body.empty() || body[0] != '[')) {
      root_->header_ = line;
      root_->lastLine_ = line;
    }
    pending = more;
    if (more) {
      text.assign(second);
      number = ++last;
      more = next(second);
    }
  }
  current_ = saved;
  return abort ? -1 : 0;
}

void cfgConfiguration::parseHeader(cfgLine* line, std::string_view text, int number, bool* abort) {
  syntax::Header header = syntax::scanHeader(text);
  if (!header.complete) {
    // The scan runs out at the line's end, which stands for the line feed that ended it.
    *abort = report(kError, number, "unexpected character '%c' in input stream.", '\n') != 0;
    return;
  }
  std::string_view name = header.name;
  if (escape_) {
    syntax::unescapeName(name, scratch2_);
    name = scratch2_;
  }
  cfgSection* section = resolve(name, root_, true);
  current_ = section;
  setHeaderLine(section, line);
  section->endSubtreeAt(line);
  if (syntax::hasTrailingText(header.rest)) {
    std::string whole(line->text());
    report(kWarning, number, "line %d: '%s' ignored after section header in input stream.", number,
           whole.c_str());
  }
}

cfgLine* cfgConfiguration::parseItem(std::string_view text, std::string_view body, int number) {
  syntax::Item scanned = syntax::scanItem(body);
  std::string_view key = scanned.key;
  if (escape_) {
    syntax::unescapeName(key, scratch2_);
    key = scratch2_;
  }
  cfgSection* section = current_;
  size_t where;
  cfgItem* item = section->item(key, &where);
  const bool repeated = item && compareNames(key, "font_file") == 0;
  const bool duplicate = item && !repeated;
  cfgLine* line;
  if (duplicate) {
    // A duplicate keeps its line as it was written.
    line = lines_.append(text, number);
  } else if (repeated) {
    // A repeated font_file takes the later line; the earlier line stays as the store wrote it.
    std::string earlier(lineText(item->line_, scratch_));
    lines_.setText(item->line_, earlier);
    line = lines_.appendItem(item, number);
  } else {
    item = newItem(section, where, key);
    line = lines_.appendItem(item, number);
  }
  section->lastItemLine_ = line;
  section->endSubtreeAt(line);
  if (duplicate) {
    std::string name(key);
    report(kWarning, number,
           "item '%s' was first found at line %d in the input stream. duplicates will be ignored.",
           name.c_str(), item->lineNumber());
    std::string path = wants(kWarning) ? section->path() : std::string();
    report(kWarning, -1, "item '%s' appears more than once in section '%s'; previously found at %d",
           name.c_str(), path.c_str(), item->lineNumber());
    return line;
  }
  item->line_ = line;
  item->hasValue_ = false;
  syntax::decodeValue(scanned.value, escape_, scratch2_);
  assign(section, item, cfgString(scratch2_), false);
  return line;
}

}  // namespace vtx::cfg
