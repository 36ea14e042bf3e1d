// The call-control configuration object: open and close, message delivery, records and the
// trace settings.
#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "callctrl/config/config_internal.h"
#include "os/file.h"

namespace vtx::callctrl {
namespace {

using cfg::cfgConfiguration;
using cfg::cfgMessage;

// The default listing: one line per message on standard error.
int ListOnStderr(int kind, const cfgMessage* message) {
  const char* prefix = kind == cfgConfiguration::kWarning ? "warning: "
                       : kind == cfgConfiguration::kError ? "error: "
                       : kind == cfgConfiguration::kInfo  ? "info: "
                                                          : "trace: ";
  if (message->line > 0) {
    std::fprintf(stderr, "%son line %d %s\n", prefix, message->line, message->text);
  } else {
    std::fprintf(stderr, "%s%s\n", prefix, message->text);
  }
  return 0;
}

// The model's messages and the schema's own reach the caller's callback through here, with the
// caller's user data.
int Forward(int kind, const cfgMessage* message) {
  auto* config = static_cast<CallCtrlConfig*>(message->userData);
  cfgMessage copy = *message;
  copy.userData = config->user_data;
  return (config->callback ? config->callback : ListOnStderr)(kind, &copy);
}

bool ByNumber(const ModuleConfigRecord* record, uint32_t number) {
  return record->module_number < number;
}

ModuleConfigRecord* FindRecord(const std::vector<ModuleConfigRecord*>& records, uint32_t number) {
  auto it = std::lower_bound(records.begin(), records.end(), number, ByNumber);
  return it != records.end() && (*it)->module_number == number ? *it : nullptr;
}

HostModuleConfigRecord* FindHost(const std::vector<HostModuleConfigRecord*>& records,
                                 uint32_t number) {
  for (HostModuleConfigRecord* record : records) {
    if (record->number == number) return record;
  }
  return nullptr;
}

ModuleConfigRecord* NewModuleRecord(const ModuleConfigRecord* templ, uint32_t number) {
  auto* record = new (std::nothrow) ModuleConfigRecord();
  if (!record) return nullptr;
  if (templ) {
    *record = *templ;
  } else {
    record->bus_speed = 2;
    record->slave_source = 2;
    record->master_drive = 0;
    record->master_ref_fallback = 10;
    record->clock_mode = 1;
    record->clock_source = 1;
  }
  record->module_number = number;
  return record;
}

HostModuleConfigRecord* NewHostRecord(const HostModuleConfigRecord* templ, uint32_t number) {
  auto* record =
      static_cast<HostModuleConfigRecord*>(std::calloc(1, sizeof(HostModuleConfigRecord)));
  if (!record) return nullptr;
  if (templ) {
    *record = *templ;
    record->keys = nullptr;
    record->key_count = 0;
    size_t bytes = templ->key_count * sizeof(HostModuleKeyValue);
    if (templ->key_count && (record->keys = static_cast<HostModuleKeyValue*>(std::malloc(bytes)))) {
      std::memcpy(record->keys, templ->keys, bytes);
      record->key_count = templ->key_count;
    }
  }
  record->number = number;
  return record;
}

int GetTraceSetting(const CallCtrlConfig* config, int32_t TraceSettings::*field, int32_t* out) {
  if (!Valid(config) || !out) return -2;
  *out = config->trace.*field;
  return 0;
}

bool HasPrefix(std::string_view name, std::string_view prefix) {
  return name.size() >= prefix.size() &&
         cfg::compareNames(name.substr(0, prefix.size()), prefix) == 0;
}

// Walks the top-level sections in the model's order; a section that a read created is walked
// too.
void WalkTopLevel(CallCtrlConfig* config) {
  cfg::cfgString name;
  size_t index = 0;
  config->model->setCurrentSection("/");
  while (config->model->nextSubsection(name, index)) {
    std::string section(name.view());
    const char* text = section.c_str();
    int line = SectionLine(config, ("/" + section).c_str());
    long number = 0;
    if (HasPrefix(section, "module.")) {
      if (!SectionNumber(text, &number)) {
        ReportConfigMessage(config, cfgConfiguration::kWarning, line,
                            "expected number after '.' in '%s': skipping invalid [module.<id>]",
                            text);
      } else {
        LoadModuleSection(config, text, static_cast<uint32_t>(number));
      }
    } else if (HasPrefix(section, "host_module.")) {
      if (!SectionNumber(text, &number)) {
        ReportConfigMessage(
            config, cfgConfiguration::kWarning, line,
            "expected number after '.' in '%s': skipping invalid [host_module.<id>]", text);
      } else if (number <= 0) {
        ReportConfigMessage(config, cfgConfiguration::kWarning, line,
                            "host_module.%lx is not configurable.\n  Skipping invalid [%s] "
                            "configuration section.",
                            static_cast<unsigned long>(number), text);
      } else if (number > static_cast<long>(kMaxHostModule)) {
        ReportConfigMessage(config, cfgConfiguration::kWarning, line,
                            "host_module.%lx is not configurable. host_module number should be "
                            "less or equal to %x.\n  Skipping invalid [%s] configuration section.",
                            static_cast<unsigned long>(number), kMaxHostModule, text);
      } else {
        LoadHostModuleSection(config, text, static_cast<uint32_t>(number));
      }
    } else {
      ReportConfigMessage(config, cfgConfiguration::kWarning, line,
                          "unrecognized top level element '%s': skipped.", text);
    }
    config->model->setCurrentSection("/");
  }
}

}  // namespace

namespace {

void ReportConfigMessageV(CallCtrlConfig* config, const ReportOptions& options, int kind, int line,
                          const char* format, va_list args) {
  if (!Valid(config)) return;
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  cfgMessage message;
  message.userData = config;
  message.line = line;
  message.text = text.c_str();
  message.warnings = config->model->warningCount();
  message.errors = config->model->errorCount();
  message.detail = options.detail;
  message.optionalDefault = options.optional_default;
  Forward(kind, &message);
}

}  // namespace

void ReportConfigMessage(CallCtrlConfig* config, int kind, int line, const char* format, ...) {
  va_list args;
  va_start(args, format);
  ReportConfigMessageV(config, ReportOptions(), kind, line, format, args);
  va_end(args);
}

void ReportConfigNotice(CallCtrlConfig* config, const ReportOptions& options, int kind, int line,
                        const char* format, ...) {
  va_list args;
  va_start(args, format);
  ReportConfigMessageV(config, options, kind, line, format, args);
  va_end(args);
}

CallCtrlConfig* OpenCallCtrlConfig(const char* file_name, bool create,
                                   cfg::cfgMessageCallback callback, void* user_data,
                                   LibraryLoading loading) {
  auto* config = new (std::nothrow) CallCtrlConfig();
  if (!config) return nullptr;
  config->loading = loading;
  config->callback = callback;
  config->user_data = user_data;
  config->file_name = file_name ? file_name : "";
  config->model = std::make_unique<cfgConfiguration>(
      1, cfgConfiguration::kWarning | cfgConfiguration::kError | cfgConfiguration::kInfo, &Forward,
      config, '=', false);
  const char* name = config->file_name.c_str();
  cfg::cfgTextFile file(name);
  std::string content, error;
  if (!os::ReadRegularFile(name, kConfigFileLimit, content, error)) {
    const bool missing = errno == ENOENT;
    if (create && missing) {
      ReportConfigMessage(config, cfgConfiguration::kInfo, -1,
                          "The file '%s' does not exist. Will be created during shutdown.", name);
      return config;
    }
    if (missing) {
      ReportConfigMessage(config, cfgConfiguration::kInfo, -1, "The file '%s' does not exist.",
                          name);
    } else {
      // The reason after the file's name, which the message names already.
      ReportConfigMessage(config, cfgConfiguration::kInfo, -1, "The file '%s' cannot be read: %s",
                          name, error.c_str() + config->file_name.size() + 2);
    }
    CloseCallCtrlConfig(config);
    return nullptr;
  }
  file.assign(content);
  if (config->model->parse(file) != 0) {
    ReportConfigMessage(config, cfgConfiguration::kInfo, -1,
                        "The file '%s' is either empty or has syntax errors.", name);
    CloseCallCtrlConfig(config);
    return nullptr;
  }
  file.close();
  LoadTraceKeys(config);
  WalkTopLevel(config);
  return config;
}

void FreeHostModuleRecord(HostModuleConfigRecord* record) {
  if (!record) return;
  std::free(record->keys);
  std::free(record);
}

void CloseCallCtrlConfig(CallCtrlConfig* config, bool, bool) {
  if (!Valid(config)) return;
  for (ModuleConfigRecord* record : config->modules) delete record;
  for (HostModuleConfigRecord* record : config->host_modules) FreeHostModuleRecord(record);
  config->tag = 0;
  delete config;
}

int ModuleRecordCount(const CallCtrlConfig* config) {
  return Valid(config) ? static_cast<int>(config->modules.size()) : -1;
}

int HostModuleRecordCount(const CallCtrlConfig* config) {
  return Valid(config) ? static_cast<int>(config->host_modules.size()) : -1;
}

ModuleConfigRecord* ModuleRecordAt(CallCtrlConfig* config, int index) {
  if (!Valid(config) || index < 0 || static_cast<size_t>(index) >= config->modules.size()) {
    return nullptr;
  }
  return config->modules[static_cast<size_t>(index)];
}

HostModuleConfigRecord* HostModuleRecordAt(CallCtrlConfig* config, int index) {
  if (!Valid(config) || index < 0 || static_cast<size_t>(index) >= config->host_modules.size()) {
    return nullptr;
  }
  return config->host_modules[static_cast<size_t>(index)];
}

ModuleConfigRecord* GetModuleRecord(CallCtrlConfig* config, uint32_t number, bool create) {
  if (!Valid(config)) return nullptr;
  ModuleConfigRecord* record = FindRecord(config->modules, number);
  if (record || !create) return record;
  record = NewModuleRecord(number != 0 ? FindRecord(config->modules, 0) : nullptr, number);
  if (!record) return nullptr;
  auto where = std::lower_bound(config->modules.begin(), config->modules.end(), number, ByNumber);
  config->modules.insert(where, record);
  return record;
}

HostModuleConfigRecord* GetHostModuleRecord(CallCtrlConfig* config, uint32_t number, bool create) {
  if (!Valid(config)) return nullptr;
  HostModuleConfigRecord* record = FindHost(config->host_modules, number);
  if (record || !create) return record;
  record = NewHostRecord(number != 0 ? FindHost(config->host_modules, 0) : nullptr, number);
  if (!record) return nullptr;
  auto where =
      std::find_if(config->host_modules.begin(), config->host_modules.end(),
                   [number](const HostModuleConfigRecord* r) { return r->number > number; });
  config->host_modules.insert(where, record);
  return record;
}

int GetL3L4Trace(const CallCtrlConfig* c, int32_t* out) {
  return GetTraceSetting(c, &TraceSettings::l3l4_trace, out);
}
int GetL4L3Trace(const CallCtrlConfig* c, int32_t* out) {
  return GetTraceSetting(c, &TraceSettings::l4l3_trace, out);
}
int GetApiTrace(const CallCtrlConfig* c, int32_t* out) {
  return GetTraceSetting(c, &TraceSettings::api_trace, out);
}
int GetInternalTrace(const CallCtrlConfig* c, int32_t* out) {
  return GetTraceSetting(c, &TraceSettings::internal_trace, out);
}
int GetHostModuleTrace(const CallCtrlConfig* c, int32_t* out) {
  return GetTraceSetting(c, &TraceSettings::host_module_trace, out);
}
int GetIpStackTrace(const CallCtrlConfig* c, int32_t* out) {
  return GetTraceSetting(c, &TraceSettings::ip_stack_trace, out);
}
int GetMaxTraceFileSize(const CallCtrlConfig* c, int32_t* out) {
  return GetTraceSetting(c, &TraceSettings::max_trace_file_size, out);
}
int GetMaxTraceFiles(const CallCtrlConfig* c, int32_t* out) {
  return GetTraceSetting(c, &TraceSettings::max_trace_files, out);
}

int GetTraceFile(const CallCtrlConfig* config, char* out, size_t size) {
  if (!Valid(config) || !out || size == 0) return -2;
  std::snprintf(out, size, "%s", config->trace.trace_file);
  return 0;
}

const char* ConfigFileName(const CallCtrlConfig* config) {
  return Valid(config) ? config->file_name.c_str() : nullptr;
}

}  // namespace vtx::callctrl
