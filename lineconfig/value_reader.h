// Reading the values of preference file lines: numbers and strings. Every reader skips the
// white space before its value, never reads past the terminating zero, and tells where the
// value ended.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx {

bool IsBlank(char c);
const char* SkipBlanks(const char* text);

// A signed decimal number. Digits beyond what 32 bits hold wrap around (the low 32 bits stay).
// False, with `*end` untouched, when no digit is there.
bool ReadDecimal(const char* text, int32_t* value, const char** end);
// A hexadecimal number with an optional sign and an optional "0x" prefix, wrapping likewise.
bool ReadHex(const char* text, uint32_t* value, const char** end);

// A string value: after white space, either a quoted text (up to the next double quote or the
// end of the line, blanks included, no escapes) or a run of non-blank characters.
struct TextValue {
  const char* begin;
  size_t length;
  const char* end;  // after the value (and its closing quote)
};
// False when nothing but white space follows.
bool ReadTextValue(const char* text, TextValue* value);

// Copies a string value into a setting of `size` bytes with its terminating zero; false (the
// setting unchanged) when it does not fit.
bool CopyTextValue(const TextValue& value, char* setting, size_t size);

}  // namespace vtx
