// The text forms of configuration files: how a line is read (comments, headers, items, escapes,
// continuations) and how the model writes lines it creates or changes. Pure functions over text.
#pragma once

#include <string>
#include <string_view>

namespace vtx::cfg::syntax {

// Blank, tab, carriage return, line feed or form feed.
inline bool isWhite(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}
std::string_view skipWhite(std::string_view text);

// A line whose text ends in an odd number of backslashes continues on the next line.
bool continues(std::string_view text);

// After leading white space: empty or starting with ";" or "#".
bool isComment(std::string_view text);

// A header line "[name]...", `text` starting at the "[". The name runs to the first "]" that no
// backslash protects; `rest` is what follows it.
struct Header {
  bool complete = false;
  std::string_view name;
  std::string_view rest;
};
Header scanHeader(std::string_view text);
// True when the text after a header's "]" holds something other than blanks and tabs before a
// ";" or "#".
bool hasTrailingText(std::string_view rest);

// An item line "key = value", `text` starting at the key: the key ends at the first white space,
// "=" or ":" that no backslash protects; the value is the rest after white space, one "=" or ":"
// and white space, without trailing blanks.
struct Item {
  std::string_view key;
  std::string_view value;
};
Item scanItem(std::string_view text);

// Keys and section names with escaping on: each backslash is dropped and the character after it
// taken as it is.
void unescapeName(std::string_view name, std::string& out);
// The value of an item: surrounding double quotes removed, and with escaping on the escapes
// \" \\ \n \r \t decoded (a backslash before any other character drops both). Writes at
// most raw.size() characters to `out` and returns how many it wrote.
size_t decodeValue(std::string_view raw, bool escaping, char* out);

// The written forms: "  key=value" and "[path]" (path without its leading "/").
void writeItemLine(std::string_view key, char separator, std::string_view value, bool escaping,
                   std::string& out);
void writeHeaderLine(std::string_view path, bool escaping, std::string& out);

// Environment variables in a read value: "%NAME%", "$NAME", "$(NAME)", "${NAME}". An unset
// variable leaves the text as written; "\%" and "\$" stand for the character itself.
void expandEnvironment(std::string_view value, std::string& out);

}  // namespace vtx::cfg::syntax
