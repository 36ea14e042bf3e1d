#include "tools/tarrow/teleph_tool.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "admin.h"
#include "api/tool_support.h"
#include "proppage/feature_listing.h"
#include "tools/tarrow/preferences.h"

namespace tarrow {

VtxLine* OpenTelephLine(const char* command, unsigned module) {
  NoteSimulatedBoard();
  const std::string preferences = FindPreferenceFile();
  VtxLine* line = proppage::OpenFeatureLine(static_cast<int>(module),
                                            preferences.empty() ? nullptr : preferences.c_str());
  if (line == nullptr) {
    fprintf(stderr, "tarrow %s: module 0x%X: no line could be opened and reset\n", command, module);
  }
  return line;
}

VtxLine* AttachModuleSession(const char* command, unsigned module) {
  VtxLineArgs attach{};
  attach.dest_addr[0] = MILL_FACILITY_ADMIN;
  attach.dest_addr[1] = 0x01;
  attach.dest_addr[2] = static_cast<uint8_t>(module);
  attach.present = 1;
  VtxLine* line = VtxSessionAttach(&attach);
  if (line == nullptr) {
    fprintf(stderr, "tarrow %s: module 0x%X: attach failed (status %u, line status %u)\n", command,
            module, attach.status, attach.line_status);
  }
  return line;
}

VtxLine* OpenModuleLine(const char* command, unsigned module) {
  NoteSimulatedBoard();
  VtxLine* line = AttachModuleSession(command, module);
  if (line == nullptr) return nullptr;
  const std::string preferences = FindPreferenceFile();
  VtxLineArgs reset{};
  reset.config_file_name = preferences.empty() ? nullptr : preferences.c_str();
  reset.skip_teleph = 1;
  if (VtxLineReset(line, &reset) >= 0) return line;
  fprintf(stderr,
          "tarrow %s: module 0x%X: the line could not be reset (status %u, line status %u)\n",
          command, module, reset.status, reset.line_status);
  CloseTelephLine(line);
  return nullptr;
}

void CloseTelephLine(VtxLine* line) {
  proppage::CloseFeatureLine(line);
}

int ReportOutcome(const char* command, const VtxLine* line, int ret, uint32_t status,
                  uint32_t line_status) {
  if (ret == 0) return 0;
  if (ret > 0) {
    fprintf(stderr, "tarrow %s: refused with result %d: %s\n", command, ret,
            vtx::tool::RefusalText(*line, static_cast<uint32_t>(ret)));
    return 1;
  }
  vtx::tool::StatusText text{};
  vtx::tool::FormStatusText(line, status, line_status, &text);
  fprintf(stderr, "tarrow %s: %s\n", command, text.description);
  return 1;
}

bool ParseNumber(const char* command, const char* what, const std::string& text, uint32_t max,
                 uint32_t& out) {
  unsigned long value = 0;
  if (!ReadNumber(text, 0, max, value)) {
    fprintf(stderr, "tarrow %s: expected a number from 0 to %u for %s, got \"%s\"\n", command, max,
            what, text.c_str());
    return false;
  }
  out = static_cast<uint32_t>(value);
  return true;
}

bool TakeModule(Args& args, const char* usage, unsigned& module) {
  if (args.empty() || args[0].rfind("--", 0) == 0) {
    fprintf(stderr, "usage: tarrow %s\n", usage);
    return false;
  }
  if (!ParseModuleNumber(args[0], module)) return false;
  args.erase(args.begin());
  return true;
}

bool TakeModuleAlone(Args& args, const char* usage, unsigned& module) {
  if (!TakeModule(args, usage, module)) return false;
  if (args.empty()) return true;
  fprintf(stderr, "usage: tarrow %s\n", usage);
  return false;
}

}  // namespace tarrow
