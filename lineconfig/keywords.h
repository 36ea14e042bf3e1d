// The keyword table of the user preference file: each keyword, the setting it writes and how
// its value is read.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx {

enum class ValueKind : uint8_t {
  kDec32,  // signed decimal, a 32-bit word
  kHex32,  // hexadecimal with an optional 0x prefix, a 32-bit word
  kDec8,   // decimal, its low eight bits
  kHex8,   // hexadecimal, its low eight bits
  kText,   // a string into a file-name setting
  kFlag,   // no value: `flag` is stored
};

struct Keyword {
  const char* name;  // lower case
  ValueKind kind;
  size_t offset;  // of the setting in LineSettings
  uint8_t flag;   // kFlag only
};

constexpr size_t kKeywordCount = 79;
extern const Keyword kKeywords[kKeywordCount];

// The entry of a lower-case keyword, or null.
const Keyword* FindKeyword(const char* name);

}  // namespace vtx
