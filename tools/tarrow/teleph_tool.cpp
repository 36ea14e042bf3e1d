#include "tools/tarrow/teleph_tool.h"

#include <unistd.h>

#include <cstdio>
#include <vector>

#include "admin.h"
#include "api/tool_support.h"
#include "proppage/feature_listing.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"

namespace tarrow {
namespace {

constexpr useconds_t kBusyPause = 100000;  // between two rounds over the module's lines
constexpr int kBusyRounds = 50;            // five seconds of every line held

std::string ModuleText(unsigned module) {
  return "module " + std::to_string(module);
}

VtxLineArgs Address(uint8_t facility, uint8_t kind, unsigned module, unsigned channel) {
  VtxLineArgs attach{};
  attach.dest_addr[0] = facility;
  attach.dest_addr[1] = kind;
  attach.dest_addr[2] = static_cast<uint8_t>(module);
  attach.dest_addr[3] = static_cast<uint8_t>(channel);
  attach.present = 1;
  return attach;
}

// Resets `line` as an application would before using it, with the user preference file the
// tools find (or the built-in settings with --defaults); null (the line closed) after an error.
VtxLine* Reset(VtxLine* line, unsigned module) {
  const std::string preferences = FindPreferenceFile();
  VtxLineArgs reset{};
  reset.config_file_name = preferences.empty() ? nullptr : preferences.c_str();
  reset.skip_teleph = 1;
  if (VtxLineReset(line, &reset) >= 0) return line;
  ResultError(ModuleText(module) + ": line reset", line, reset.status, reset.line_status);
  CloseTelephLine(line);
  return nullptr;
}

// The module's channel count; -1 after an error when there is no such module.
int ChannelCount(unsigned module) {
  VtxModuleInfoArgs info{};
  info.mod_num = module;
  if (VtxModuleInfo(nullptr, &info) != 0) {
    ResultError(ModuleText(module), nullptr, info.status, info.line_status);
    return -1;
  }
  if (info.exists == 0) {
    Error(ModuleText(module) + ": no such module", CV_STATUS_ERROR, APIERR_INVALID_DEST_ADDR);
    return -1;
  }
  return static_cast<int>(info.num_channels);
}

}  // namespace

VtxLine* OpenTelephLine(unsigned module) {
  NoteSimulatedBoard();
  const int channels = ChannelCount(module);
  if (channels < 0) return nullptr;
  // The channels first, then the module itself.
  std::vector<VtxLineArgs> candidates;
  for (int channel = 0; channel < channels; ++channel) {
    candidates.push_back(Address(0, 2, module, static_cast<unsigned>(channel)));
  }
  candidates.push_back(Address(0, 1, module, 0));
  for (int round = 0; round < kBusyRounds; ++round) {
    for (VtxLineArgs attach : candidates) {
      attach.unique = 1;
      VtxLine* line = VtxSessionAttach(&attach);
      if (line != nullptr) return Reset(line, module);
      if (attach.line_status != APIERR_BUSY) {
        ResultError(ModuleText(module), nullptr, attach.status, attach.line_status);
        return nullptr;
      }
    }
    if (round == 0) {
      fprintf(stderr, "tarrow: %s: every line is busy; waiting for one\n",
              ModuleText(module).c_str());
    }
    usleep(kBusyPause);
  }
  Error(ModuleText(module) + ": every line is busy", CV_STATUS_ERROR, APIERR_BUSY);
  return nullptr;
}

VtxLine* AttachModuleSession(unsigned module) {
  VtxLineArgs attach = Address(MILL_FACILITY_ADMIN, 1, module, 0);
  VtxLine* line = VtxSessionAttach(&attach);
  if (line == nullptr) ResultError(ModuleText(module), nullptr, attach.status, attach.line_status);
  return line;
}

VtxLine* OpenChannelLine(unsigned module, unsigned channel) {
  NoteSimulatedBoard();
  VtxLineArgs attach = Address(0, 2, module, channel);
  VtxLine* line = VtxSessionAttach(&attach);
  if (line == nullptr) {
    ResultError(ModuleText(module) + " channel " + std::to_string(channel), nullptr, attach.status,
                attach.line_status);
    return nullptr;
  }
  return Reset(line, module);
}

VtxLine* OpenModuleLine(unsigned module) {
  NoteSimulatedBoard();
  VtxLine* line = AttachModuleSession(module);
  return line == nullptr ? nullptr : Reset(line, module);
}

void CloseTelephLine(VtxLine* line) {
  proppage::CloseFeatureLine(line);
}

int ReportOutcome(const VtxLine* line, int ret, uint32_t status, uint32_t line_status) {
  if (ret == 0) return 0;
  if (ret > 0) {
    Error("refused with result " + std::to_string(ret) + ": " +
              vtx::tool::RefusalText(*line, static_cast<uint32_t>(ret)),
          status, line_status);
    return 1;
  }
  Error(ResultText(line, status, line_status), status, line_status);
  return 1;
}

bool ParseNumber(const char* what, const std::string& text, uint32_t max, uint32_t& out) {
  unsigned long value = 0;
  if (!ReadNumber(text, 0, max, value)) {
    Error("expected a number from 0 to " + std::to_string(max) + " for " + what + ", got \"" +
          text + "\"");
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
