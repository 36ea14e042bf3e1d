#include "cfg/cfg_syntax.h"

#include <cstdlib>
#include <cstring>

namespace vtx::cfg::syntax {

std::string_view skipWhite(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isWhite(text[i])) ++i;
  return text.substr(i);
}

bool continues(std::string_view text) {
  size_t count = 0;
  while (count < text.size() && text[text.size() - 1 - count] == '\\') ++count;
  return count % 2 == 1;
}

bool isComment(std::string_view text) {
  text = skipWhite(text);
  return text.empty() || text[0] == ';' || text[0] == '#';
}

Header scanHeader(std::string_view text) {
  Header header;
  size_t i = 1;
  while (i < text.size() && text[i] != ']') i += text[i] == '\\' ? 2 : 1;
  if (i >= text.size()) return header;
  header.complete = true;
  header.name = text.substr(1, i - 1);
  header.rest = text.substr(i + 1);
  return header;
}

bool hasTrailingText(std::string_view rest) {
  for (char c : rest) {
    if (c == ';' || c == '#') return false;
    if (c != ' ' && c != '\t') return true;
  }
  return false;
}

namespace {

// What a character is to the scan of a key: part of it, the end of it, or an escape.
enum KeyChar : unsigned char { kKeyPart, kKeyEnd, kKeyEscape };

struct KeyChars {
  KeyChar of[256] = {};
  constexpr KeyChars() {
    for (unsigned char c : {' ', '\t', '\r', '\n', '\f', '=', ':'}) of[c] = kKeyEnd;
    of[static_cast<unsigned char>('\\')] = kKeyEscape;
  }
};
constexpr KeyChars kKeyChars;

}  // namespace

Item scanItem(std::string_view text) {
  size_t i = 0;
  const size_t size = text.size();
  for (; i < size; ++i) {
    const KeyChar kind = kKeyChars.of[static_cast<unsigned char>(text[i])];
    if (kind == kKeyEnd) break;
    if (kind == kKeyEscape) ++i;
  }
  if (i > size) i = size;  // a key ending in a lone backslash
  Item item;
  item.key = text.substr(0, i);
  while (i < text.size() && isWhite(text[i])) ++i;
  if (i < text.size() && (text[i] == '=' || text[i] == ':')) ++i;
  while (i < text.size() && isWhite(text[i])) ++i;
  size_t end = text.size();
  while (end > i && text[end - 1] == ' ') --end;
  item.value = text.substr(i, end - i);
  return item;
}

void unescapeName(std::string_view name, std::string& out) {
  out.clear();
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && ++i == name.size()) break;
    out.push_back(name[i]);
  }
}

size_t decodeValue(std::string_view raw, bool escaping, char* out) {
  if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"' &&
      raw.substr(1, raw.size() - 2).find('"') == std::string_view::npos) {
    raw = raw.substr(1, raw.size() - 2);
  }
  if (!escaping || raw.find('\\') == std::string_view::npos) {
    if (!raw.empty()) std::memcpy(out, raw.data(), raw.size());
    return raw.size();
  }
  size_t length = 0;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '\\') {
      out[length++] = raw[i];
      continue;
    }
    if (++i == raw.size()) break;
    switch (raw[i]) {
      case '"':
      case '\\':
        out[length++] = raw[i];
        break;
      case 'n':
        out[length++] = '\n';
        break;
      case 'r':
        out[length++] = '\r';
        break;
      case 't':
        out[length++] = '\t';
        break;
      default:
        break;  // an unknown escape drops both characters
    }
  }
  return length;
}

namespace {

bool keepsUnescaped(unsigned char c) {
  return c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::strchr("@_/-!.*%", c) != nullptr;
}

void appendName(std::string_view name, bool escaping, std::string& out) {
  if (!escaping) {
    out.append(name);
    return;
  }
  for (char c : name) {
    if (c == '\0' || !keepsUnescaped(static_cast<unsigned char>(c))) {
      out.push_back('\\');
    }
    out.push_back(c);
  }
}

void appendValue(std::string_view value, bool escaping, std::string& out) {
  if (!escaping) {
    out.append(value);
    return;
  }
  for (char c : value) {
    const char* escaped = c == '\t'   ? "\\t"
                          : c == '\n' ? "\\n"
                          : c == '\r' ? "\\r"
                          : c == '"'  ? "\\\""
                          : c == '\\' ? "\\\\"
                                      : nullptr;
    if (escaped) {
      out.append(escaped);
    } else {
      out.push_back(c);
    }
  }
}

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

void writeItemLine(std::string_view key, char separator, std::string_view value, bool escaping,
                   std::string& out) {
  out.assign("  ");
  appendName(key, escaping, out);
  out.push_back(separator);
  bool quoted = !value.empty() && isWhite(value[0]);
  if (quoted) out.push_back('"');
  appendValue(value, escaping, out);
  if (quoted) out.push_back('"');
}

void writeHeaderLine(std::string_view path, bool escaping, std::string& out) {
  out.assign("[");
  appendName(path, escaping, out);
  out.push_back(']');
}

void expandEnvironment(std::string_view value, std::string& out) {
  out.clear();
  size_t i = 0;
  while (i < value.size()) {
    char c = value[i];
    if (c == '\\' && i + 1 < value.size() && (value[i + 1] == '%' || value[i + 1] == '$')) {
      out.push_back(value[i + 1]);
      i += 2;
      continue;
    }
    if (c != '%' && c != '$') {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t start = i + 1;
    if (c == '$' && start < value.size() && (value[start] == '(' || value[start] == '{')) ++start;
    size_t end = start;
    while (end < value.size() && isNameChar(value[end])) ++end;
    if (end == start) {
      out.append(value.substr(i, start - i));
      i = start;
      continue;
    }
    size_t next = end;
    if (next < value.size() && (value[next] == '%' || value[next] == ')' || value[next] == '}')) {
      ++next;
    }
    std::string name(value.substr(start, end - start));
    const char* setting = std::getenv(name.c_str());
    out.append(setting ? std::string_view(setting) : value.substr(i, next - i));
    i = next;
  }
}

}  // namespace vtx::cfg::syntax
