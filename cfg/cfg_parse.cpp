// Reading a file into the model: continuation lines are joined, every line goes to the line list
// (comments too, so a store gives them back), headers select sections and items fill them.
#include <string>

#include "cfg/cfg_configuration.h"
#include "cfg/cfg_syntax.h"

namespace vtx::cfg {

int cfgConfiguration::parseFile(const char* file_name) {
  check("parseFile('ifile')");
  cfgTextFile file(file_name);
  if (!file.open(cfgTextFile::kRead) || !file.readAll()) return -2;
  return parse(file);
}

int cfgConfiguration::parse(const cfgTextFile& file) {
  check("parse('ifile')");
  size_t count = file.lineCount();
  if (count == 1 && file.line(0).empty()) {
    report(kWarning, 0, "The input stream seems to be empty.");
    return 0;
  }
  cfgSection* saved = current_;
  current_ = root_;
  bool abort = false;
  for (size_t i = 0; i < count && !abort; ++i) {
    int number = static_cast<int>(i) + 1;
    cfgLine* line = lines_.append(file.line(i), number);
    while (syntax::continues(line->text.view())) {
      line->text = line->text.substr(0, line->text.length() - 1);
      if (i + 1 >= count) break;
      line->text = line->text + syntax::skipWhite(file.line(++i).view());
    }
    std::string_view body = syntax::skipWhite(line->text.view());
    // The root's own line is the file's first line, unless that line already heads a section.
    if (line == lines_.head() && (body.empty() || body[0] != '[')) {
      root_->header_ = line;
      root_->lastLine_ = line;
    }
    if (syntax::isComment(body)) continue;
    lineInProgress_ = number;
    if (body[0] == '[') {
      parseHeader(line, body, number, &abort);
    } else {
      parseItem(line, body, number);
    }
    lineInProgress_ = -1;
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
    std::string whole(line->text.view());
    report(kWarning, number, "line %d: '%s' ignored after section header in input stream.", number,
           whole.c_str());
  }
}

void cfgConfiguration::parseItem(cfgLine* line, std::string_view text, int number) {
  syntax::Item scanned = syntax::scanItem(text);
  std::string_view key = scanned.key;
  if (escape_) {
    syntax::unescapeName(key, scratch2_);
    key = scratch2_;
  }
  cfgSection* section = current_;
  section->lastItemLine_ = line;
  section->endSubtreeAt(line);
  size_t where;
  cfgItem* item = section->item(key, &where);
  if (item && compareNames(key, "font_file") != 0) {
    std::string name(key);
    report(kWarning, number,
           "item '%s' was first found at line %d in the input stream. duplicates will be ignored.",
           name.c_str(), item->lineNumber_);
    std::string path = wants(kWarning) ? section->path() : std::string();
    report(kWarning, -1, "item '%s' appears more than once in section '%s'; previously found at %d",
           name.c_str(), path.c_str(), item->lineNumber_);
    return;
  }
  if (item) {
    // A repeated font_file takes the later line; the earlier lines stay as they are.
    item->lineNumber_ = number;
    item->line_ = line;
    item->hasValue_ = false;
  } else {
    item = newItem(section, where, cfgString(key), number);
    item->line_ = line;
  }
  syntax::decodeValue(scanned.value, escape_, scratch2_);
  assign(item, cfgString(scratch2_), false);
}

}  // namespace vtx::cfg
