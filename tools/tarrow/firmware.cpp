// tarrow firmware MODULE FILE [--type N] [--dest WORD] [--config-spec N]: downloads a firmware
// image to a module with its progress, and says how the module took it.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "api/tool_support.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/progress.h"
#include "tools/tarrow/teleph_tool.h"
#include "vtx.h"

namespace tarrow {
namespace {

const char kUsage[] =
    "firmware MODULE FILE [--type N] [--dest WORD] [--config-spec N] [--defaults] [--json]";
const char kProgressMark[] = "download ";
const char kNoType[] = "";

// The download types in the order a module's capabilities are asked for one it takes.
struct TypeCapability {
  uint32_t type;
  uint32_t capability;
};
constexpr TypeCapability kTypes[] = {{0, 75}, {1, 76}, {2, 74}, {3, 73}};

// The first type the line's capabilities allow; 0 when none (the library then names the refusal).
uint32_t TypeOfModule(const VtxLine* line) {
  for (const TypeCapability& type : kTypes) {
    if (vtx::tool::HasCapability(line, type.capability)) return type.type;
  }
  return 0;
}

int Run(const Args& arguments) {
  Args args = arguments;
  TakeDefaults(args);
  const bool json = TakeFlag(args, "--json");
  const std::string type_text = TakeOption(args, "--type", kNoType);
  const std::string dest_text = TakeOption(args, "--dest", "0");
  const std::string spec_text = TakeOption(args, "--config-spec", "0");
  unsigned module = 0;
  if (!TakeModule(args, kUsage, module)) return 2;
  if (args.size() != 1 || args[0].rfind("--", 0) == 0) {
    fprintf(stderr, "usage: tarrow %s\n", kUsage);
    return 2;
  }
  VtxFirmwareArgs firmware{};
  firmware.fname = args[0].c_str();
  firmware.specify_type = 1;
  if ((type_text != kNoType && !ParseNumber("--type", type_text, 3, firmware.dl_type)) ||
      !ParseNumber("--dest", dest_text, 0xFFFFFFFF, firmware.dl_dest) ||
      !ParseNumber("--config-spec", spec_text, 0xFFFFFFFF, firmware.config_spec_value)) {
    return 2;
  }
  const long size = FileSize(firmware.fname);
  if (size < 0) {
    Error(args[0] + ": " + strerror(errno));
    return 1;
  }
  CV_API_SET_VER();
  VtxLine* line = OpenModuleLine(module);
  if (line == nullptr) return 1;
  if (type_text == kNoType) firmware.dl_type = TypeOfModule(line);
  int ret = -1;
  {
    const DownloadProgress progress(kProgressMark, size);
    ret = VtxFirmwareDownload(line, &firmware);
  }
  const int status = ReportOutcome(line, ret, firmware.status, firmware.line_status);
  if (status == 0 && json) {
    PrintJson(
        Json{{"module", module}, {"file", args[0]}, {"bytes", size}, {"type", firmware.dl_type}});
  } else if (status == 0) {
    printf("module %u: firmware image %s of %ld bytes downloaded (type %u)\n", module,
           firmware.fname, size, firmware.dl_type);
  }
  CloseTelephLine(line);
  return status;
}

}  // namespace

constexpr char kHelp[] =
    "  --type N           the download type (default: the one the module's bus takes)\n"
    "  --json             print JSON (docs/json.md)\n"
    "  --dest WORD        the destination word (default 0)\n"
    "  --config-spec N    the configuration the module takes after a type 2 download (default 0)\n"
    "\n"
    "Example:\n"
    "  tarrow firmware 2 image.bin\n";

TARROW_COMMAND("firmware", kUsage,
               "download a firmware image to a module (type: the one the module takes)", Run,
               kHelp);

}  // namespace tarrow
