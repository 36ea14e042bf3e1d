// What the pieces of the call-control configuration share: the object itself, and key
// descriptions that let a section's keys be read from a table in reading order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "callctrl/config/callctrl_config.h"
#include "callctrl/config/enum_tables.h"
#include "cfg/cfg_configuration.h"

namespace vtx::callctrl {

// The root section's trace keys.
struct TraceSettings {
  int32_t l3l4_trace;
  int32_t l4l3_trace;
  int32_t api_trace;
  int32_t internal_trace;
  int32_t host_module_trace;
  int32_t ip_stack_trace;
  int32_t max_trace_file_size;
  int32_t max_trace_files;
  char trace_file[260];
};

struct CallCtrlConfig {
  static constexpr uint32_t kTag = 0x0CCC4F4B;

  uint32_t tag = kTag;
  std::unique_ptr<cfg::cfgConfiguration> model;
  std::vector<ModuleConfigRecord*> modules;           // by module number
  std::vector<HostModuleConfigRecord*> host_modules;  // by host module number
  std::string file_name;
  TraceSettings trace = {};

  LibraryLoading loading = LibraryLoading::kAlways;
  cfg::cfgMessageCallback callback = nullptr;  // null: listed on standard error
  void* user_data = nullptr;
  std::string section = "/";  // the section the readers work in, ending in "/"
  // Every entry path the readers asked for, lower case: what the schema and the host module
  // libraries know, whether the file holds it or not.
  std::set<std::string> keys_asked;
};

inline bool Valid(const CallCtrlConfig* config) {
  return config && config->tag == CallCtrlConfig::kTag;
}

// One key of a section, read into a record field at `offset` from the record's start.
enum class KeyKind : uint8_t { kEnum, kSigned, kString };

struct KeySpec {
  const char* name;
  KeyKind kind;
  const EnumTable* table;  // kEnum
  // kEnum: the default symbol (null: none); kString: the default text (null: none).
  const char* text;
  int32_t min, max, value;  // kSigned: range and default
  bool mandatory;
  size_t offset;
  size_t size;  // kString: the buffer size
  // kEnum: a default symbol that depends on keys read before, given the record; overrides text.
  const char* (*rule)(const void* record);
};

#define KEY_ENUM_NAMED(Type, name, field, table, symbol) \
  { name, KeyKind::kEnum, &(table), symbol, 0, 0, 0, false, offsetof(Type, field), 0, nullptr }
#define KEY_ENUM(Type, field, table, symbol) KEY_ENUM_NAMED(Type, #field, field, table, symbol)
#define KEY_ENUM_M(Type, field, table, symbol) \
  { #field, KeyKind::kEnum, &(table), symbol, 0, 0, 0, true, offsetof(Type, field), 0, nullptr }
#define KEY_ENUM_RULE(Type, field, table, rule) \
  { #field, KeyKind::kEnum, &(table), nullptr, 0, 0, 0, false, offsetof(Type, field), 0, rule }
#define KEY_BOOL(Type, field, symbol) KEY_ENUM(Type, field, tables::kBoolean, symbol)
#define KEY_INT(Type, field, min, max, value)                                                     \
  {                                                                                               \
#field, KeyKind::kSigned, nullptr, nullptr, min, max, value, false, offsetof(Type, field), 0, \
        nullptr                                                                                   \
  }
#define KEY_INT_M(Type, field, min, max, value)                                                  \
  {                                                                                              \
#field, KeyKind::kSigned, nullptr, nullptr, min, max, value, true, offsetof(Type, field), 0, \
        nullptr                                                                                  \
  }
#define KEY_STR_NAMED(Type, name, field, text, mandatory)                             \
  {                                                                                   \
    name, KeyKind::kString, nullptr, text, 0, 0, 0, mandatory, offsetof(Type, field), \
        sizeof(Type::field), nullptr                                                  \
  }
#define KEY_STR(Type, field, text, mandatory) KEY_STR_NAMED(Type, #field, field, text, mandatory)

// Reads the keys in order from the current read section into `record`.
void ReadKeys(CallCtrlConfig* config, const KeySpec* keys, size_t count, void* record);
template <size_t N>
void ReadKeys(CallCtrlConfig* config, const KeySpec (&keys)[N], void* record) {
  ReadKeys(config, keys, N, record);
}

// The line of the entry `key` of the current read section, else of the header of the section or
// of its nearest parent written in the file, else -1.
int KeyLine(CallCtrlConfig* config, const char* key);
// The line of the header of the section at `path`, or -1.
int SectionLine(CallCtrlConfig* config, const char* path);

// Parses the number after the first "." of a section name in hexadecimal (blanks around it and a
// sign allowed): false when there is none.
bool SectionNumber(const char* name, long* number);

// What a message carries beside its text.
struct ReportOptions {
  const char* detail = nullptr;   // the system's reason, kept out of the text
  bool optional_default = false;  // only says that an optional setting took its default
};
void ReportConfigNotice(CallCtrlConfig* config, const ReportOptions& options, int kind, int line,
                        const char* format, ...) __attribute__((format(printf, 5, 6)));

// Section loaders, run with the read section set by the caller's walk.
void LoadTraceKeys(CallCtrlConfig* config);
void LoadModuleSection(CallCtrlConfig* config, const char* name, uint32_t number);
void LoadClockKeys(CallCtrlConfig* config, ModuleConfigRecord* module);
void LoadPortKeys(CallCtrlConfig* config, ModuleConfigRecord* module, uint32_t port);
void LoadEthernetKeys(CallCtrlConfig* config, ModuleConfigRecord* module, uint32_t ethernet);
void LoadHostModuleSection(CallCtrlConfig* config, const char* name, uint32_t number);
// Loads the host module library and reads the keys it reports into the record.
void QueryLibraryKeys(CallCtrlConfig* config, HostModuleConfigRecord* record);

// Frees a host module record and the key values it owns.
void FreeHostModuleRecord(HostModuleConfigRecord* record);

}  // namespace vtx::callctrl
