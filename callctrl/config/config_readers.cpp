// The readers of the call-control schema: enumerated, string and integer values relative to the
// section being loaded, each reporting what it had to replace.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "callctrl/config/config_internal.h"

namespace vtx::callctrl {
namespace {

using cfg::cfgConfiguration;

const char* Need(bool mandatory) {
  return mandatory ? "mandatory" : "optional";
}

// The value of `key` in the read section, lower-cased when `fold` is set.
bool Read(CallCtrlConfig* config, const char* key, cfg::cfgString& value, bool fold) {
  std::string path = config->section + key;
  std::string folded = path;
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  config->keys_asked.insert(folded);
  return config->model->read(path.c_str(), value, fold);
}

// A whole decimal number (blanks around it allowed), as the raw value of an enumeration.
bool DecimalNumber(const char* text, long long* number) {
  char* end = nullptr;
  errno = 0;
  *number = std::strtoll(text, &end, 10);
  if (end == text || errno == ERANGE) return false;
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0';
}

void Missing(CallCtrlConfig* config, const char* key, bool mandatory) {
  ReportConfigMessage(config, cfgConfiguration::kError, KeyLine(config, key),
                      "section [%s] in '%s' =>\n  A %s setting for parameter '%s' is missing and "
                      "no default value can be applied. Please add this to your configuration "
                      "file.",
                      config->section.c_str(), config->file_name.c_str(), Need(mandatory), key);
}

// What the integer readers share: a number converted like a C library conversion (text that is
// not a number reads as 0), checked against the range.
template <typename Int, typename Wide>
int32_t ReadInteger(CallCtrlConfig* config, const char* key, Int min, Int max, Int default_value,
                    bool mandatory, Int* out, Wide (*convert)(const char*, char**, int),
                    const char* range_text, const char* missing_text) {
  if (!Valid(config) || !key || !out) return -1;
  cfg::cfgString value;
  if (!Read(config, key, value, false)) {
    *out = default_value;
    if (!mandatory) return 0;
    ReportConfigMessage(config, cfgConfiguration::kWarning, KeyLine(config, key), missing_text,
                        config->section.c_str(), config->file_name.c_str(), key, default_value);
    return 1;
  }
  errno = 0;
  Wide number = convert(value.c_str(), nullptr, 10);
  // A negative text read by the unsigned conversion wraps far above any maximum.
  if (errno != ERANGE && number >= static_cast<Wide>(min) && number <= static_cast<Wide>(max)) {
    *out = static_cast<Int>(number);
    return 0;
  }
  ReportConfigMessage(config, cfgConfiguration::kWarning, KeyLine(config, key), range_text,
                      config->section.c_str(), config->file_name.c_str(), value.c_str(),
                      Need(mandatory), key, min, max);
  *out = default_value;
  return 1;
}

}  // namespace

int SectionLine(CallCtrlConfig* config, const char* path) {
  const cfg::cfgSection* section = config->model->findSection(path);
  return section ? section->lineNumber() : -1;
}

int KeyLine(CallCtrlConfig* config, const char* key) {
  std::string path = config->section;
  const cfg::cfgSection* section = config->model->findSection(path.c_str());
  const cfg::cfgItem* item = section ? section->findItem(key) : nullptr;
  if (item && item->lineNumber() > 0) return item->lineNumber();
  // A section the file does not hold (or that a read made) is about its nearest written parent.
  while (!section && path.size() > 1) {
    path.pop_back();
    path.erase(path.rfind('/') + 1);
    section = config->model->findSection(path.c_str());
  }
  for (const cfg::cfgSection* s = section; s; s = s->parent()) {
    if (s->lineNumber() > 0) return s->lineNumber();
  }
  return -1;
}

bool SectionNumber(const char* name, long* number) {
  const char* dot = std::strchr(name, '.');
  if (!dot) return false;
  char* end = nullptr;
  errno = 0;
  *number = std::strtol(dot + 1, &end, 16);
  if (end == dot + 1 || errno == ERANGE) return false;
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0';
}

void SetReadSection(CallCtrlConfig* config, const char* section_path) {
  if (!Valid(config) || !section_path) return;
  config->section = section_path;
  if (config->section.empty() || config->section.back() != '/') config->section += '/';
}

int32_t ReadConfigEntry(CallCtrlConfig* config, const char* path, char* buffer, size_t size) {
  if (!Valid(config) || !path || !buffer || size == 0) return -2;
  cfg::cfgString value;
  if (!config->model->read(path, value, false)) return -1;
  std::snprintf(buffer, size, "%s", value.c_str());
  return 0;
}

int32_t ReadEnumerated(CallCtrlConfig* config, const char* key, const EnumTable& table,
                       int32_t* value, int32_t default_index, bool mandatory, int32_t* raw) {
  if (!Valid(config) || !key || !value || !raw) return -1;
  const char* file = config->file_name.c_str();
  const char* section = config->section.c_str();
  int line = KeyLine(config, key);
  cfg::cfgString text;
  if (!Read(config, key, text, true)) {
    if (default_index < 0) {
      Missing(config, key, mandatory);
      *value = *raw;
      return -1;
    }
    ReportOptions options;
    options.optional_default = !mandatory;
    ReportConfigNotice(config, options, cfgConfiguration::kWarning, line,
                       "section [%s] in '%s' =>\n  The setting for the enumerated %s parameter "
                       "'%s' is missing. The default setting '%s' for this parameter will be "
                       "used instead.",
                       section, file, Need(mandatory), key, table.entries[default_index].symbol);
    *value = static_cast<int32_t>(table.entries[default_index].value);
    return default_index;
  }
  for (int32_t i = 0; table.entries[i].symbol; ++i) {
    if (text == table.entries[i].symbol) {
      *value = static_cast<int32_t>(table.entries[i].value);
      return i;
    }
  }
  long long number = 0;
  if (DecimalNumber(text.c_str(), &number) && number >= std::numeric_limits<int32_t>::min() &&
      number <= std::numeric_limits<int32_t>::max()) {
    ReportConfigMessage(config, cfgConfiguration::kWarning, line,
                        "section [%s] in '%s' =>\n  A non-enumerated setting '%s' for the %s "
                        "parameter '%s' was encountered. This setting cannot be validated and "
                        "ideally should be used only in development environments. If this is a "
                        "production system consider this message as an error condition - your "
                        "configuration may not be stable.",
                        section, file, text.c_str(), Need(mandatory), key);
    *raw = *value = static_cast<int32_t>(number);
    return -2;
  }
  if (default_index >= 0) {
    ReportConfigMessage(config, cfgConfiguration::kError, line,
                        "section [%s] in '%s' =>\n  The setting '%s' for the enumerated %s "
                        "parameter '%s' is incorrect. The default setting '%s' for this parameter "
                        "will be used instead.",
                        section, file, text.c_str(), Need(mandatory), key,
                        table.entries[default_index].symbol);
    *value = static_cast<int32_t>(table.entries[default_index].value);
    return default_index;
  }
  ReportConfigMessage(config, cfgConfiguration::kError, line,
                      "section [%s] in '%s' =>\n  The setting '%s' for the enumerated %s "
                      "parameter '%s' is incorrect. Unable to select a default setting. Please "
                      "correct this setting in your configuration file.",
                      section, file, text.c_str(), Need(mandatory), key);
  *value = *raw;
  return -1;
}

int32_t ReadString(CallCtrlConfig* config, const char* key, const char* default_value, char* buffer,
                   size_t size, bool mandatory) {
  if (!Valid(config) || !key || !buffer || size == 0) return -1;
  cfg::cfgString value;
  if (Read(config, key, value, false)) {
    std::snprintf(buffer, size, "%s", value.c_str());
    return 0;
  }
  if (!default_value) {
    if (!mandatory) return 0;
    Missing(config, key, mandatory);
    return -2;
  }
  if (*default_value == '\0') {
    buffer[0] = '\0';
    return -4;
  }
  ReportOptions options;
  options.optional_default = !mandatory;
  ReportConfigNotice(config, options, cfgConfiguration::kWarning, KeyLine(config, key),
                     "section [%s] in '%s' =>\n  The setting '%s' setting for %s parameter '%s' "
                     "is incorrect. The default setting '%s' for this parameter will be used "
                     "instead.",
                     config->section.c_str(), config->file_name.c_str(), "", Need(mandatory), key,
                     default_value);
  std::snprintf(buffer, size, "%s", default_value);
  return -3;
}

int32_t ReadSigned(CallCtrlConfig* config, const char* key, int32_t min, int32_t max,
                   int32_t default_value, bool mandatory, int32_t* out) {
  return ReadInteger<int32_t, long long>(
      config, key, min, max, default_value, mandatory, out, &std::strtoll,
      "section [%s] in '%s' =>\n  The setting '%s' for the %s parameter '%s' is incorrect. It "
      "should be between %d and %d. Choosing default if applicable.",
      "section [%s] in '%s' =>\n  A mandatory setting for '%s' parameter is missing in the "
      "configuration file. The default setting '%d' will be used for this parameter. This may "
      "not be the optimal setting for this parameter.");
}

int32_t ReadUnsigned(CallCtrlConfig* config, const char* key, uint32_t min, uint32_t max,
                     uint32_t default_value, bool mandatory, uint32_t* out) {
  return ReadInteger<uint32_t, unsigned long long>(
      config, key, min, max, default_value, mandatory, out, &std::strtoull,
      "section [%s] in '%s' =>\n  The setting '%s' for the %s parameter '%s' is incorrect. It "
      "should be between %u and %u. Choosing default if applicable.",
      "section [%s] in '%s' =>\n  A mandatory setting for '%s' parameter is missing in the "
      "configuration file. The default setting '%u' will be used for this parameter. This may "
      "not be the optimal setting for this parameter.");
}

void ReadKeys(CallCtrlConfig* config, const KeySpec* keys, size_t count, void* record) {
  auto* base = static_cast<char*>(record);
  for (size_t i = 0; i < count; ++i) {
    const KeySpec& key = keys[i];
    void* field = base + key.offset;
    switch (key.kind) {
      case KeyKind::kEnum: {
        const char* symbol = key.rule ? key.rule(record) : key.text;
        int32_t value = 0;
        std::memcpy(&value, field, sizeof value);
        int32_t raw = value;
        ReadEnumerated(config, key.name, *key.table, &value,
                       symbol ? EnumIndex(*key.table, symbol) : -1, key.mandatory, &raw);
        std::memcpy(field, &value, sizeof value);
        break;
      }
      case KeyKind::kSigned: {
        int32_t value = 0;
        ReadSigned(config, key.name, key.min, key.max, key.value, key.mandatory, &value);
        std::memcpy(field, &value, sizeof value);
        break;
      }
      case KeyKind::kString:
        ReadString(config, key.name, key.text, static_cast<char*>(field), key.size, key.mandatory);
        break;
    }
  }
}

void LoadTraceKeys(CallCtrlConfig* config) {
  static const KeySpec kKeys[] = {
      KEY_ENUM(TraceSettings, l3l4_trace, tables::kTraceLevel, "none"),
      KEY_ENUM(TraceSettings, l4l3_trace, tables::kTraceLevel, "error"),
      KEY_ENUM(TraceSettings, api_trace, tables::kTraceLevel, "error"),
      KEY_ENUM(TraceSettings, internal_trace, tables::kTraceLevel, "none"),
      KEY_ENUM(TraceSettings, host_module_trace, tables::kTraceLevel, "none"),
      KEY_ENUM(TraceSettings, ip_stack_trace, tables::kTraceLevel, "none"),
      KEY_STR(TraceSettings, trace_file, "", false),
      KEY_INT(TraceSettings, max_trace_file_size, 0, 2147483647, 10),
      KEY_INT(TraceSettings, max_trace_files, 0, 999, 1),
  };
  SetReadSection(config, "/");
  ReadKeys(config, kKeys, &config->trace);
}

}  // namespace vtx::callctrl
