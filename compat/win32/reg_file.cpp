// The REGEDIT4 registry file reader. Every line is read within its own bounds; a line that does
// not parse is skipped whole, so a damaged file loses only its damaged lines.
#include "compat/win32/reg_file.h"

#include <cstdlib>

namespace win32compat {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";

std::string_view Trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) {
    --end;
  }
  return text.substr(begin, end - begin);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A number of at most `max_digits` hexadecimal digits making up all of `text`.
bool ParseHexNumber(std::string_view text, size_t max_digits, uint32_t& out) {
  if (text.empty() || text.size() > max_digits) return false;
  uint32_t value = 0;
  for (char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  out = value;
  return true;
}

// A quoted text at the start of `text` with \\ and \" escapes; `text` is left after it.
bool TakeQuoted(std::string_view& text, std::string& out) {
  if (text.empty() || text.front() != '"') return false;
  out.clear();
  for (size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      text.remove_prefix(i + 1);
      return true;
    }
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
      out.push_back(text[++i]);
    } else {
      out.push_back(c);
    }
  }
  return false;
}

// Comma-separated bytes of one or two hexadecimal digits each.
bool ParseHexBytes(std::string_view text, std::vector<uint8_t>& out) {
  out.clear();
  text = Trim(text);
  if (text.empty()) return true;
  while (true) {
    const size_t comma = text.find(',');
    uint32_t byte = 0;
    if (!ParseHexNumber(Trim(text.substr(0, comma)), 2, byte)) return false;
    out.push_back(static_cast<uint8_t>(byte));
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

// The data of a value: false when it is not one of the forms the format has.
bool ParseData(std::string_view text, RegValue& value) {
  std::string string_value;
  if (TakeQuoted(text, string_value)) {
    if (!Trim(text).empty()) return false;
    value.type = 1;  // REG_SZ
    value.data.assign(string_value.begin(), string_value.end());
    value.data.push_back(0);
    return true;
  }
  if (text.substr(0, 6) == "dword:") {
    uint32_t number = 0;
    if (!ParseHexNumber(text.substr(6), 8, number)) return false;
    value.type = 4;  // REG_DWORD, little-endian as the registry stores it
    value.data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                  static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
    return true;
  }
  if (text.substr(0, 4) == "hex:") {
    value.type = 3;  // REG_BINARY
    return ParseHexBytes(text.substr(4), value.data);
  }
  if (text.substr(0, 4) == "hex(") {
    const size_t close = text.find("):");
    if (close == std::string_view::npos) return false;
    return ParseHexNumber(text.substr(4, close - 4), 8, value.type) &&
           ParseHexBytes(text.substr(close + 2), value.data);
  }
  return false;
}

}  // namespace

std::string FoldCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::string RegistryFilePath() {
  const char* named = std::getenv("CRVN_REGISTRY");
  return named && *named ? named : "/etc/corvane/registry.reg";
}

bool RegistryFile::Parse(std::string_view text) {
  keys_.clear();
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  bool header_seen = false;
  std::string key;      // the key that values go to; empty when none does
  std::string logical;  // a line with its continuations
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!header_seen) {
      if (line.empty()) continue;
      if (line != kHeader) return false;
      header_seen = true;
      continue;
    }
    if (!line.empty() && line.back() == '\\') {
      logical.append(line.substr(0, line.size() - 1));
      continue;
    }
    logical.append(line);
    ParseLine(logical, key);
    logical.clear();
  }
  if (!logical.empty()) ParseLine(logical, key);
  return header_seen;
}

void RegistryFile::ParseLine(std::string_view line, std::string& key) {
  line = Trim(line);
  if (line.empty() || line.front() == ';') return;
  if (line.front() == '[') {
    key.clear();
    if (line.back() != ']' || line.size() < 3) return;
    std::string_view path = line.substr(1, line.size() - 2);
    const bool removal = path.front() == '-';
    if (removal) path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    if (path.empty()) return;
    std::string folded = FoldCase(path);
    if (removal) {
      // The key goes with everything below it.
      keys_.erase(folded);
      const std::string below = folded + "\\";
      auto it = keys_.lower_bound(below);
      while (it != keys_.end() && it->first.compare(0, below.size(), below) == 0) {
        it = keys_.erase(it);
      }
      return;
    }
    keys_[folded];
    key = std::move(folded);
    return;
  }
  if (key.empty()) return;
  std::string name;
  if (line.front() == '@') {
    line.remove_prefix(1);
  } else if (!TakeQuoted(line, name)) {
    return;
  }
  line = Trim(line);
  if (line.empty() || line.front() != '=') return;
  line = Trim(line.substr(1));
  Values& values = keys_[key];
  if (line == "-") {
    values.erase(FoldCase(name));
    return;
  }
  RegValue value;
  if (ParseData(line, value)) values[FoldCase(name)] = std::move(value);
}

bool RegistryFile::HasKey(std::string_view path) const {
  const std::string folded = FoldCase(path);
  if (keys_.count(folded)) return true;
  const std::string below = folded + "\\";
  auto it = keys_.lower_bound(below);
  return it != keys_.end() && it->first.compare(0, below.size(), below) == 0;
}

const RegistryFile::Values* RegistryFile::FindValues(std::string_view path) const {
  auto it = keys_.find(FoldCase(path));
  return it == keys_.end() ? nullptr : &it->second;
}

}  // namespace win32compat
