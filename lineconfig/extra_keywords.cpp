#include "lineconfig/extra_keywords.h"

#include <cstring>

#include "api/font_table.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "lineconfig/value_reader.h"
#include "trace/api_log.h"

namespace vtx {
namespace {

LineResult Verdict(bool good) {
  return good ? LineResult::kHandled : LineResult::kBad;
}

// afe_config ORDINAL A B C: the analog front-end bytes of one channel.
LineResult AfeConfig(VtxLine* line, const char* value) {
  int32_t ordinal = 0;
  uint32_t bytes[3] = {};
  const char* p = value;
  if (!ReadDecimal(p, &ordinal, &p)) return LineResult::kBad;
  for (uint32_t& byte : bytes) {
    if (!ReadHex(p, &byte, &p)) return LineResult::kBad;
  }
  if (ordinal != line->ordinal) return LineResult::kHandled;
  LineSettings& settings = line->config.settings;
  for (size_t i = 0; i < 3; ++i) settings.afe_config[i] = static_cast<uint8_t>(bytes[i]);
  settings.afe_present = 1;
  return LineResult::kHandled;
}

// debug [FILE [FILE2 SIZE]]: every trace level on, into standard output, one file or two.
LineResult Debug(const char* value) {
  char first[kFileNameSize];
  char second[kFileNameSize];
  VtxDebugControlArgs control{};
  control.debug_options = VTX_DEBUG_SET_MODE;
  control.debug_mode = VTX_TRACE_ALL;
  TextValue name;
  if (ReadTextValue(value, &name)) {
    if (!CopyTextValue(name, first, sizeof first)) return LineResult::kBad;
    control.debug_options |= VTX_DEBUG_SET_FILES;
    control.debug_fname1 = first;
    TextValue other;
    if (ReadTextValue(name.end, &other)) {
      int32_t size = 0;
      const char* end = nullptr;
      if (!CopyTextValue(other, second, sizeof second) || !ReadDecimal(other.end, &size, &end)) {
        return LineResult::kBad;
      }
      control.debug_fname2 = second;
      control.debug_file_limit = static_cast<uint32_t>(size);
    }
  }
  return Verdict(trace::ApplyControl(&control) == 0);
}

// debug_options X: the function-debug options, X & 3.
LineResult DebugOptions(const char* value) {
  uint32_t options = 0;
  const char* end = nullptr;
  if (!ReadHex(value, &options, &end)) return LineResult::kBad;
  VtxDebugControlArgs control{};
  control.debug_options = VTX_DEBUG_SET_FUNC_OPTS;
  control.debug_func_dbg_opts = options & (VTX_FUNC_DBG_CALLS | VTX_FUNC_DBG_DETAIL);
  return Verdict(trace::ApplyControl(&control) == 0);
}

// font_file NAME [INDEX]: index 255 is the default font's slot 31.
LineResult FontFile(VtxLine* line, const char* value, bool no_fonts) {
  TextValue name;
  if (!ReadTextValue(value, &name)) return LineResult::kBad;
  int32_t index = 0;
  const char* end = nullptr;
  if (!ReadDecimal(name.end, &index, &end)) index = 0;
  if (no_fonts) return LineResult::kHandled;
  size_t slot;
  if (index == 255) {
    slot = kDefaultFontSlot;
  } else if (index >= 0 && static_cast<size_t>(index) < kDefaultFontSlot) {
    slot = static_cast<size_t>(index);
  } else {
    return LineResult::kHandled;
  }
  if (!SetFontName(line, slot, name.begin, name.length)) {
    trace::Message(line, trace::kLevelWarning, "config: font file mem alloc error");
    line->reset_status |= kResetFontMemory;
  }
  return LineResult::kHandled;
}

// id_string TEXT: the first 20 characters without trailing blanks; blanks inside stay.
LineResult IdString(VtxLine* line, const char* value) {
  const char* text = SkipBlanks(value);
  if (*text == '\0') return LineResult::kHandled;
  char* id = line->config.settings.id_string;
  size_t length = strnlen(text, kIdStringLen);
  std::memcpy(id, text, length);
  while (length > 0 && IsBlank(id[length - 1])) --length;
  id[length] = '\0';
  return LineResult::kHandled;
}

// debug_control FACILITY VALUE: into the first free pair.
LineResult DebugControl(VtxLine* line, const char* value) {
  uint32_t first = 0;
  uint32_t second = 0;
  const char* p = value;
  if (!ReadHex(p, &first, &p) || !ReadHex(p, &second, &p)) return LineResult::kBad;
  for (DebugControlPair& pair : line->config.settings.debug_control) {
    if (pair.first == 0) {
      pair = {first, second};
      return LineResult::kHandled;
    }
  }
  return LineResult::kBad;
}

// channel ORDINAL LINE: LINE applies to the line of that channel ordinal only.
LineResult Channel(VtxLine* line, const char* value, const char** inner) {
  int32_t ordinal = 0;
  const char* end = nullptr;
  if (!ReadDecimal(value, &ordinal, &end)) return LineResult::kBad;
  if (ordinal != line->ordinal) return LineResult::kHandled;
  const char* text = SkipBlanks(end);
  if (*text == '\0') return LineResult::kBad;
  *inner = text;
  return LineResult::kChannel;
}

}  // namespace

LineResult ParseExtraKeyword(VtxLine* line, const char* keyword, const char* value, bool no_fonts,
                             const char** inner) {
  if (std::strcmp(keyword, "afe_config") == 0) return AfeConfig(line, value);
  if (std::strcmp(keyword, "debug") == 0) return Debug(value);
  if (std::strcmp(keyword, "debug_options") == 0) return DebugOptions(value);
  if (std::strcmp(keyword, "font_file") == 0) return FontFile(line, value, no_fonts);
  if (std::strcmp(keyword, "id_string") == 0) return IdString(line, value);
  if (std::strcmp(keyword, "debug_control") == 0) return DebugControl(line, value);
  if (std::strcmp(keyword, "channel") == 0) return Channel(line, value, inner);
  return LineResult::kBad;
}

}  // namespace vtx
