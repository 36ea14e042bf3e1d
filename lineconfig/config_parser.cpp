#include "lineconfig/config_parser.h"

#include <cstring>

#include "api/line.h"
#include "api/reset_status.h"
#include "lineconfig/extra_keywords.h"
#include "lineconfig/keywords.h"
#include "lineconfig/value_reader.h"
#include "trace/api_log.h"

namespace vtx {
namespace {

// A longer first word matches no keyword.
constexpr size_t kKeywordMax = 55;

LineResult StoreTableValue(LineSettings& settings, const Keyword& keyword, const char* value) {
  uint8_t* field = reinterpret_cast<uint8_t*>(&settings) + keyword.offset;
  const char* end = nullptr;
  int32_t decimal = 0;
  uint32_t hex = 0;
  TextValue text;
  switch (keyword.kind) {
    case ValueKind::kDec32:
      if (!ReadDecimal(value, &decimal, &end)) return LineResult::kBad;
      std::memcpy(field, &decimal, sizeof decimal);
      break;
    case ValueKind::kHex32:
      if (!ReadHex(value, &hex, &end)) return LineResult::kBad;
      std::memcpy(field, &hex, sizeof hex);
      break;
    case ValueKind::kDec8:
      if (!ReadDecimal(value, &decimal, &end)) return LineResult::kBad;
      *field = static_cast<uint8_t>(decimal);
      break;
    case ValueKind::kHex8:
      if (!ReadHex(value, &hex, &end)) return LineResult::kBad;
      *field = static_cast<uint8_t>(hex);
      break;
    case ValueKind::kText:
      if (!ReadTextValue(value, &text) ||
          !CopyTextValue(text, reinterpret_cast<char*>(field), kFileNameSize)) {
        return LineResult::kBad;
      }
      break;
    case ValueKind::kFlag:
      *field = keyword.flag;
      break;
  }
  return LineResult::kHandled;
}

// One line, without the handling of a channel line's inner text.
LineResult ParseOne(VtxLine* line, const char* text, bool no_fonts, const char** inner) {
  if (text[0] == '#') return LineResult::kHandled;  // a comment only in the first column
  const char* word = SkipBlanks(text);
  if (*word == '\0') return LineResult::kHandled;
  size_t length = 0;
  while (word[length] != '\0' && !IsBlank(word[length])) ++length;
  if (length > kKeywordMax) return LineResult::kBad;
  char keyword[kKeywordMax + 1];
  for (size_t i = 0; i < length; ++i) {
    char c = word[i];
    keyword[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  keyword[length] = '\0';
  // The value starts after the one blank that ends the keyword.
  const char* value = word + length + (word[length] != '\0' ? 1 : 0);

  if (const Keyword* entry = FindKeyword(keyword)) {
    return StoreTableValue(line->config.settings, *entry, value);
  }
  return ParseExtraKeyword(line, keyword, value, no_fonts, inner);
}

}  // namespace

void ReportBadConfigLine(VtxLine* line, const char* text) {
  line->reset_status |= kResetBadConfigLine;
  trace::Message(line, trace::kLevelWarning, "Warning: bad configuration file line: %s", text);
}

int ParseConfigLine(VtxLine* line, const char* text, bool no_fonts) {
  // Channel lines nest by looping rather than recursing, so that no line is too long to parse.
  // A bad line inside a channel line is reported here with its own text; the outer line counts
  // as handled.
  bool inside_channel = false;
  for (;;) {
    const char* inner = nullptr;
    LineResult result = ParseOne(line, text, no_fonts, &inner);
    if (result == LineResult::kChannel) {
      text = inner;
      inside_channel = true;
      continue;
    }
    if (result == LineResult::kBad && inside_channel) {
      ReportBadConfigLine(line, text);
      return 0;
    }
    return result == LineResult::kBad ? 1 : 0;
  }
}

}  // namespace vtx
