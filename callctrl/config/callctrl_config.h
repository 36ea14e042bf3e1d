// CallCtrlConfig: the call-control configuration file read through the configuration file model
// and checked against the call-control schema. Every doubtful value is reported through the
// message callback (kinds as cfgConfiguration::Kind) and replaced by its default; only a missing
// or unparsable file fails the open. The result is held as plain records that module start-up
// consumes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "callctrl/config/config_records.h"
#include "cfg/cfg_configuration.h"

namespace vtx::callctrl {

struct CallCtrlConfig;
struct EnumTable;

// The largest configuration file read: hundreds of modules with every key fit many times over;
// anything larger is not a configuration, and is refused before a byte is read.
constexpr uint64_t kConfigFileLimit = 4 << 20;

// Whether reading a configuration loads the host module libraries it names, to learn their keys.
// Loading runs a library's start-up code in this process: the framework loads what its
// configuration names; a checker of files from elsewhere loads only libraries whose file and
// folder no one but root or this user can change (kTrusted; the others are a warning, and their
// keys are not checked), or none.
enum class LibraryLoading { kAlways, kTrusted, kNone };

// Opens `file_name` as a call-control configuration. A missing file fails unless `create` is set
// (then the object starts empty). A null callback lists every message on standard error;
// `user_data` reaches the callback as cfgMessage::userData.
CallCtrlConfig* OpenCallCtrlConfig(const char* file_name, bool create,
                                   cfg::cfgMessageCallback callback, void* user_data = nullptr,
                                   LibraryLoading loading = LibraryLoading::kAlways);
// Frees the object and its records. Writing back and unloading libraries are not offered: no
// caller asks for them, and the flags are ignored.
void CloseCallCtrlConfig(CallCtrlConfig* config, bool unload_host_libraries = false,
                         bool write_back = false);

// Record counts, -1 for an invalid handle.
int ModuleRecordCount(const CallCtrlConfig* config);
int HostModuleRecordCount(const CallCtrlConfig* config);
// The records in module number order, null past the end or for an invalid handle.
ModuleConfigRecord* ModuleRecordAt(CallCtrlConfig* config, int index);
HostModuleConfigRecord* HostModuleRecordAt(CallCtrlConfig* config, int index);
// The record of a number; with `create`, a missing one is made (from the record of number 0 when
// that exists). Null for an invalid handle or a missing record without `create`.
ModuleConfigRecord* GetModuleRecord(CallCtrlConfig* config, uint32_t number, bool create);
HostModuleConfigRecord* GetHostModuleRecord(CallCtrlConfig* config, uint32_t number, bool create);

// Trace settings of the root section: 0, or -2 for an invalid handle (out untouched).
int GetL3L4Trace(const CallCtrlConfig* config, int32_t* out);
int GetL4L3Trace(const CallCtrlConfig* config, int32_t* out);
int GetApiTrace(const CallCtrlConfig* config, int32_t* out);
int GetInternalTrace(const CallCtrlConfig* config, int32_t* out);
int GetHostModuleTrace(const CallCtrlConfig* config, int32_t* out);
int GetIpStackTrace(const CallCtrlConfig* config, int32_t* out);
int GetMaxTraceFileSize(const CallCtrlConfig* config, int32_t* out);
int GetMaxTraceFiles(const CallCtrlConfig* config, int32_t* out);
int GetTraceFile(const CallCtrlConfig* config, char* out, size_t size);
// The file name given to the open, or null for an invalid handle.
const char* ConfigFileName(const CallCtrlConfig* config);

// Reads a string entry by absolute path into `buffer` (cut to size-1 characters): 0, -1 when the
// entry is absent, -2 for an invalid handle or buffer.
int32_t ReadConfigEntry(CallCtrlConfig* config, const char* path, char* buffer, size_t size);

// The readers, relative to the section being loaded (SetReadSection). Enumerated: the table index
// used, -1 when none applied, -2 for a raw decimal value.
int32_t ReadEnumerated(CallCtrlConfig* config, const char* key, const EnumTable& table,
                       int32_t* value, int32_t default_index, bool mandatory, int32_t* raw);
// String: 0, -2 missing without default, -3 default applied with a warning, -4 emptied.
int32_t ReadString(CallCtrlConfig* config, const char* key, const char* default_value, char* buffer,
                   size_t size, bool mandatory);
// Integers: 0, or 1 when the default was applied with a message.
int32_t ReadSigned(CallCtrlConfig* config, const char* key, int32_t min, int32_t max,
                   int32_t default_value, bool mandatory, int32_t* out);
int32_t ReadUnsigned(CallCtrlConfig* config, const char* key, uint32_t min, uint32_t max,
                     uint32_t default_value, bool mandatory, uint32_t* out);
// Sets the section path ("/module.2/port.1/") the readers work in; an invalid handle is ignored.
void SetReadSection(CallCtrlConfig* config, const char* section_path);

// A section or entry of the file that the framework never reads: a name that is not in the
// schema nor among the keys a host module library reported (an error, with the closest known
// name when one is near), a key the schema knows elsewhere but not here, or a board module
// section whose number no board can have (warnings).
struct UnusedEntry {
  int line;
  int kind;  // cfgConfiguration::kError or kWarning
  std::string text;
  // An unknown section: it replaces whatever the reading said about skipping it.
  bool section_header;
};
// In line order. Sections that the reading already refused with a message, and sections whose
// keys could not be asked for (a host module library that did not load), are left out.
std::vector<UnusedEntry> FindUnusedEntries(CallCtrlConfig* config);

// Reports a message through the configuration's callback, about `line` (-1 for none).
void ReportConfigMessage(CallCtrlConfig* config, int kind, int line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

}  // namespace vtx::callctrl
