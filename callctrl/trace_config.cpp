#include "callctrl/trace_config.h"

#include "callctrl/config/config_internal.h"
#include "callctrl/config_lookup.h"
#include "cfg/cfg_text_file.h"
#include "trace/cc_file.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

using trace::cc::kToFile;

int32_t Setting(const CallCtrlConfig* config, int (*get)(const CallCtrlConfig*, int32_t*),
                int32_t fallback) {
  int32_t value = fallback;
  if (get(config, &value) != 0) return fallback;
  return value;
}

// The configuration as its text, line by line into the trace.
void CopyIntoTrace(CallCtrlConfig* config) {
  cfg::cfgTextFile text("");
  text.open(cfg::cfgTextFile::kWrite);
  config->model->dump(text);
  for (size_t i = 0; i < text.lineCount(); ++i) {
    trace::cc::Trace(trace::cc::kApiTrace, trace::cc::kLevelBasic, "%s", text.line(i).c_str());
  }
  text.discard();
}

}  // namespace

void ApplyTraceConfig(CallCtrlConfig*& config, const CallCtrlInitRequest& request,
                      const char* file_name) {
  uint32_t enabled = 0;
  if (request.traceFileGiven != 0 && request.traceFileName != nullptr &&
      request.traceFileName[0] != '\0') {
    enabled = kToFile;
  }
  if (request.traceFileGiven == 0) {
    trace::cc::SetMaxFiles(static_cast<uint32_t>(Setting(config, GetMaxTraceFiles, 1)));
    char name[kConfigPathSize] = {};
    if (GetTraceFile(config, name, sizeof name) == 0 && name[0] != '\0') {
      trace::cc::SetTraceFile(name);
      enabled = kToFile;
    }
  }
  static int (*const kLevels[trace::cc::kCategoryCount])(const CallCtrlConfig*, int32_t*) = {
      GetApiTrace,      GetL3L4Trace,       GetL4L3Trace,
      GetInternalTrace, GetHostModuleTrace, GetIpStackTrace};
  for (int category = 0; category < trace::cc::kCategoryCount; ++category) {
    trace::cc::SetCategory(category, Setting(config, kLevels[category], 1), enabled);
  }
  trace::cc::SetMaxFileSize(static_cast<uint32_t>(Setting(config, GetMaxTraceFileSize, 10)));
  trace::cc::SetMaxFiles(static_cast<uint32_t>(Setting(config, GetMaxTraceFiles, 1)));
  if (Setting(config, GetApiTrace, 1) != 0) {
    const cfg::cfgMessageCallback callback = config->callback;
    CloseCallCtrlConfig(config);
    config = OpenCallCtrlConfig(file_name, false, callback);
  }
  if (config != nullptr && !trace::cc::OpenFileName().empty() &&
      trace::cc::CategoryEnabled(trace::cc::kApiTrace, trace::cc::kLevelBasic)) {
    CopyIntoTrace(config);
  }
}

std::string OpenTraceFileName() {
  return trace::cc::OpenFileName();
}

bool TraceStartInto(const char* file_name) {
  for (int category = 0; category < trace::cc::kCategoryCount; ++category) {
    trace::cc::SetCategory(category, trace::cc::kLevelBasic, kToFile);
  }
  return trace::cc::SetTraceFile(file_name);
}

}  // namespace vtx::callctrl
