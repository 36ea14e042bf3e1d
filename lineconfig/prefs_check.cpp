// Mirrors the line parser's verdicts with reasons. It never changes a line or the trace: a
// `debug` line is judged, not obeyed.
#include "lineconfig/prefs_check.h"

#include <cerrno>
#include <cstring>

#include "api/settings.h"
#include "cfg/cfg_closest.h"
#include "lineconfig/country_params.h"
#include "lineconfig/file_limits.h"
#include "lineconfig/keywords.h"
#include "lineconfig/value_reader.h"
#include "os/config_files.h"
#include "os/file.h"

namespace vtx {
namespace {

constexpr size_t kKeywordMax = 55;
constexpr size_t kPieceMax = 299;
constexpr size_t kDebugPairs = 4;
constexpr int kLastFontIndex = 30;
constexpr int kDefaultFontIndex = 255;
const char* const kExtraKeywords[] = {"afe_config", "debug",         "debug_options", "font_file",
                                      "id_string",  "debug_control", "channel"};

class LineChecker {
 public:
  explicit LineChecker(PrefsCheck* check) : check_(check) {}

  void Check(int number, const char* text) {
    line_ = number;
    prefix_.clear();
    for (;;) {
      if (text[0] == '#') return;
      const char* word = SkipBlanks(text);
      if (*word == '\0') return;
      size_t length = 0;
      while (word[length] != '\0' && !IsBlank(word[length])) ++length;
      if (word[0] == '#') {
        return Error("a comment starts in the first column: '" + std::string(word, length) +
                     "' is read as a keyword");
      }
      if (length > kKeywordMax) return Error("a keyword is at most 55 characters long");
      std::string keyword(word, length);
      for (char& c : keyword) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      }
      const char* value = word + length + (word[length] != '\0' ? 1 : 0);
      if (const Keyword* entry = FindKeyword(keyword.c_str())) return Table(*entry, value);
      if (keyword != "channel") return Extra(keyword, value);
      int32_t ordinal = 0;
      const char* end = nullptr;
      if (!ReadDecimal(value, &ordinal, &end)) return Error("channel needs a channel ordinal");
      text = SkipBlanks(end);
      if (*text == '\0') return Error("channel " + std::to_string(ordinal) + " needs a line");
      prefix_ = "channel " + std::to_string(ordinal) + ": ";
    }
  }

 private:
  void Error(const std::string& text) { Add(true, text); }
  void Warn(const std::string& text) { Add(false, text); }
  void Add(bool error, const std::string& text) {
    check_->problems.push_back({line_, error, prefix_ + text});
  }

  // Text after a value that the reader passes over without a word.
  void Rest(const std::string& keyword, const char* end) {
    const char* rest = SkipBlanks(end);
    if (*rest != '\0')
      Warn("'" + std::string(rest) + "' after the value of " + keyword + " is ignored");
  }

  void Table(const Keyword& entry, const char* value) {
    const std::string name = entry.name;
    const char* end = nullptr;
    int32_t decimal = 0;
    uint32_t hex = 0;
    switch (entry.kind) {
      case ValueKind::kDec32:
      case ValueKind::kDec8:
        if (!ReadDecimal(value, &decimal, &end)) return Error(name + " needs a decimal number");
        if (entry.kind == ValueKind::kDec8 && (decimal < -128 || decimal > 255)) {
          Warn(name + " keeps the low eight bits: " + std::to_string(decimal) + " is stored as " +
               std::to_string(decimal & 0xFF));
        }
        return Rest(name, end);
      case ValueKind::kHex32:
      case ValueKind::kHex8:
        if (!ReadHex(value, &hex, &end)) return Error(name + " needs a hexadecimal number");
        if (entry.kind == ValueKind::kHex8 && hex > 0xFF) {
          Warn(name + " keeps the low eight bits of its value");
        }
        if (name == "country_code") check_->country_code = hex;
        return Rest(name, end);
      case ValueKind::kText:
        return Text(name, value);
      case ValueKind::kFlag:
        if (*SkipBlanks(value) != '\0')
          Warn("'" + std::string(SkipBlanks(value)) + "' after " + name +
               " is ignored: it takes no value");
        return;
    }
  }

  void Text(const std::string& name, const char* value) {
    TextValue text;
    if (!ReadTextValue(value, &text)) return Error(name + " needs a value");
    if (text.length >= kFileNameSize)
      return Error("the value of " + name + " is longer than 255 characters");
    std::string stored(text.begin, text.length);
    if (stored == "=" || stored == ":") {
      Warn(name + " takes its value after a blank: '" + stored + "' is read as the value");
    }
    if (name == "cv_cparm") {
      check_->cv_cparm = stored;
      check_->cv_cparm_line = line_;
    }
    Rest(name, text.end);
  }

  void Extra(const std::string& keyword, const char* value) {
    const char* p = value;
    int32_t decimal = 0;
    uint32_t hex = 0;
    TextValue text;
    if (keyword == "afe_config") {
      uint32_t bytes[3] = {};
      if (!ReadDecimal(p, &decimal, &p) || !ReadHex(p, &bytes[0], &p) ||
          !ReadHex(p, &bytes[1], &p) || !ReadHex(p, &bytes[2], &p)) {
        Error("afe_config needs a channel ordinal and three hexadecimal bytes");
      }
    } else if (keyword == "debug") {
      if (ReadTextValue(p, &text)) {
        TextValue second;
        if (text.length >= kFileNameSize) return Error("the file name of debug is too long");
        if (ReadTextValue(text.end, &second) && !ReadDecimal(second.end, &decimal, &p)) {
          Error("debug with a second file name needs a size");
        }
      }
    } else if (keyword == "debug_options") {
      if (!ReadHex(p, &hex, &p)) Error("debug_options needs a hexadecimal value");
    } else if (keyword == "font_file") {
      if (!ReadTextValue(p, &text)) return Error("font_file needs a file name");
      const char* end = nullptr;
      if (ReadDecimal(text.end, &decimal, &end) && decimal != kDefaultFontIndex &&
          (decimal < 0 || decimal > kLastFontIndex)) {
        Warn("font_file index " + std::to_string(decimal) +
             " is ignored: slots are 0 to 30, and 255 replaces the default font");
      }
    } else if (keyword == "id_string") {
      if (std::strlen(SkipBlanks(p)) > kIdStringLen) {
        Warn("id_string keeps its first 20 characters");
      }
    } else if (keyword == "debug_control") {
      if (!ReadHex(p, &hex, &p) || !ReadHex(p, &hex, &p)) {
        Error("debug_control needs two hexadecimal words");
      } else if (++debug_pairs_ > kDebugPairs) {
        Error("only four debug_control lines are kept; this one is refused");
      }
    } else {
      static const std::vector<std::string> known = [] {
        std::vector<std::string> names(std::begin(kExtraKeywords), std::end(kExtraKeywords));
        for (const Keyword& entry : kKeywords) names.push_back(entry.name);
        return names;
      }();
      std::string text = "unknown keyword '" + keyword + "'";
      std::string near = cfg::closestName(keyword, known);
      if (!near.empty()) text += "; did you mean '" + near + "'?";
      Error(text);
    }
  }

  PrefsCheck* check_;
  int line_ = 0;
  std::string prefix_;  // names the channel line a problem is inside
  size_t debug_pairs_ = 0;
};

}  // namespace

PrefsCheck CheckPreferenceLines(FILE* file) {
  PrefsCheck check;
  LineChecker checker(&check);
  char buffer[kPieceMax + 1];
  int number = 0;
  bool continued = false;  // the piece before ended without a line feed
  while (std::fgets(buffer, sizeof buffer, file) != nullptr) {
    size_t length = std::strlen(buffer);
    bool whole = length > 0 && buffer[length - 1] == '\n';
    if (whole) buffer[length - 1] = '\0';
    if (!continued) ++number;
    if (continued) {
      check.problems.push_back({number, false,
                                "the line is longer than 299 characters: the rest is read as a "
                                "line of its own"});
    }
    checker.Check(number, buffer);
    continued = !whole && length == kPieceMax;
  }
  return check;
}

bool CheckPreferenceFile(const char* path, PrefsCheck* check, std::string* error) {
  FILE* file = os::OpenRegularFile(path, false, kUserConfigLimit, *error);
  if (!file) return false;
  *check = CheckPreferenceLines(file);
  check->preference_file = path;
  os::FileClose(file);
  return true;
}

void CheckCountryFile(PrefsCheck* check) {
  const char* named_by = check->preference_file.empty() ? nullptr : check->preference_file.c_str();
  const std::string name = CountryFilePath(check->cv_cparm.c_str(), named_by);
  const int line = check->cv_cparm_line;
  auto add = [&](bool error, const std::string& text) {
    check->problems.push_back({line, error, "country parameter file \"" + name + "\" " + text});
  };
  std::string error;
  FILE* file = os::OpenRegularFile(name.c_str(), true, kCountryFileLimit, error);
  if (!file) {
    const std::string places = os::PlaceList(os::ConfigFilePlaces(check->cv_cparm, named_by));
    // A named file that is missing is a mistake; the default one is only missing. The reason
    // follows the file's name, which the message names already.
    add(line != 0, "does not open (" + error.substr(name.size() + 2) + "; looked for " + places +
                       "): every line uses the built-in USA parameters");
    return;
  }
  uint16_t record_length = 0;
  uint16_t count_field = 0;
  if (!ReadCountryU16(file, &record_length) || !ReadCountryU16(file, &count_field)) {
    add(true, "is too short for its header");
  } else if (record_length < kCountryParamsLen) {
    add(true, "holds records of " + std::to_string(record_length) +
                  " bytes, fewer than 202: it was written for an older version");
  } else {
    const int count = static_cast<int16_t>(count_field);
    uint8_t params[kCountryParamsLen];
    int found = 0;  // 1 found, -1 the file ends inside a record
    for (int i = 0; i < count && found == 0; ++i) {
      uint16_t code = 0;
      if (!ReadCountryU16(file, &code)) {
        found = -1;
      } else if (code == check->country_code) {
        found = std::fread(params, 1, sizeof params, file) == sizeof params ? 1 : -1;
      } else if (!SkipCountryBytes(file, record_length)) {
        found = -1;
      }
      if (found < 0) {
        add(true, "ends inside record " + std::to_string(i + 1) + " of " + std::to_string(count));
      }
    }
    if (found == 0) {
      char code[16];
      std::snprintf(code, sizeof code, "%X", check->country_code);
      add(false, std::string("has no record for country code ") + code +
                     ": the built-in USA parameters are used");
    }
  }
  os::FileClose(file);
}

}  // namespace vtx
