// tarrow font MODULE FILE [--number N]: downloads a fax font to a module, with a progress bar on
// a terminal, and prints the outcome's text.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "admin.h"
#include "api/tool_support.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/progress.h"
#include "tools/tarrow/teleph_tool.h"
#include "vtx.h"

namespace tarrow {
namespace {

const char kProgressMark[] = "download_font ";

int Run(const Args& arguments) {
  Args args = arguments;
  const bool json = TakeFlag(args, "--json");
  const std::string number = TakeOption(args, "--number", "255");
  unsigned module = 0;
  if (args.size() != 2) {
    fprintf(stderr, "usage: tarrow font MODULE FILE [--number N] [--json]\n");
    return 2;
  }
  if (!ParseModuleNumber(args[0], module)) return 2;
  unsigned long font_no = 0;
  if (!ReadNumber(number, 0, 0xFFFFFFFF, font_no)) {
    Error("expected a font number for --number, got \"" + number + "\"");
    return 2;
  }
  NoteSimulatedBoard();
  CV_API_SET_VER();
  VtxLine* line = AttachModuleSession(module);
  if (line == nullptr) return 1;
  VtxFontArgs font{};
  font.fname = args[1].c_str();
  font.font_no = static_cast<int32_t>(font_no);
  int ret = -1;
  {
    const DownloadProgress progress(kProgressMark, FileSize(font.fname));
    ret = VtxFaxDownloadFont(line, &font);
  }
  if (ret == 0 && json) {
    PrintJson(Json{{"module", module}, {"font", font_no}, {"file", args[1]}});
  } else if (ret == 0) {
    printf("module %u: font %lu downloaded from %s\n", module, font_no, args[1].c_str());
  } else {
    ResultError(args[1], line, font.status, font.line_status);
  }
  VtxLineArgs detach{};
  VtxLineDetach(line, &detach);
  return ret == 0 ? 0 : 1;
}

}  // namespace

constexpr char kHelp[] =
    "  --number N         the font number, 0 to 30 (default 255)\n"
    "  --json             print JSON (docs/json.md)\n"
    "\n"
    "Example:\n"
    "  tarrow font 2 ibmpcps.fz8 --number 1\n";

TARROW_COMMAND("font", "font MODULE FILE [--number N] [--json]",
               "download a fax font file to a module (font 0 to 30, default 255)", Run, kHelp);

}  // namespace tarrow
