#include "lineconfig/value_reader.h"

#include <cstring>

namespace vtx {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The optional sign of a number; `text` moves past it.
bool Negative(const char*& text) {
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  return negative;
}

bool ReadDigits(const char* text, uint32_t base, uint32_t* value, const char** end) {
  const char* p = SkipBlanks(text);
  bool negative = Negative(p);
  if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigit(p[2]) >= 0) p += 2;
  uint32_t result = 0;
  const char* digits = p;
  for (int digit; (digit = HexDigit(*p)) >= 0 && static_cast<uint32_t>(digit) < base; ++p) {
    result = result * base + static_cast<uint32_t>(digit);
  }
  if (p == digits) return false;
  *value = negative ? 0u - result : result;
  *end = p;
  return true;
}

}  // namespace

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

const char* SkipBlanks(const char* text) {
  while (IsBlank(*text)) ++text;
  return text;
}

bool ReadDecimal(const char* text, int32_t* value, const char** end) {
  uint32_t bits = 0;
  if (!ReadDigits(text, 10, &bits, end)) return false;
  *value = static_cast<int32_t>(bits);
  return true;
}

bool ReadHex(const char* text, uint32_t* value, const char** end) {
  return ReadDigits(text, 16, value, end);
}

bool ReadTextValue(const char* text, TextValue* value) {
  const char* p = SkipBlanks(text);
  if (*p == '\0') return false;
  if (*p == '"') {
    const char* begin = p + 1;
    const char* close = std::strchr(begin, '"');
    size_t length = close != nullptr ? static_cast<size_t>(close - begin) : std::strlen(begin);
    *value = {begin, length, close != nullptr ? close + 1 : begin + length};
    return true;
  }
  const char* q = p;
  while (*q != '\0' && !IsBlank(*q)) ++q;
  *value = {p, static_cast<size_t>(q - p), q};
  return true;
}

bool CopyTextValue(const TextValue& value, char* setting, size_t size) {
  if (value.length >= size) return false;
  std::memcpy(setting, value.begin, value.length);
  setting[value.length] = '\0';
  return true;
}

}  // namespace vtx
