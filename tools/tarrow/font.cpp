// tarrow font MODULE FILE [--number N]: downloads a fax font to a module, with a progress bar on
// a terminal, and prints the outcome's text.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "admin.h"
#include "api/tool_support.h"
#include "tools/tarrow/command.h"
#include "vtx.h"

namespace tarrow {
namespace {

constexpr int kBarWidth = 40;
const char kProgressMark[] = "download_font ";

long g_file_size = 0;
bool g_bar = false;

// The download's progress lines move the bar; every other line goes to standard error.
int Progress(const char* line) {
  const char* mark = strstr(line, kProgressMark);
  if (mark == nullptr) {
    fprintf(stderr, "%s%s\n", g_bar ? "\n" : "", line);
    return 0;
  }
  if (!g_bar) return 0;
  const long sent = strtol(mark + sizeof kProgressMark - 1, nullptr, 10);
  const int filled = g_file_size > 0 ? static_cast<int>(sent * kBarWidth / g_file_size) : kBarWidth;
  fprintf(stderr, "\r[%-*.*s] %ld/%ld bytes", kBarWidth, filled,
          "########################################", sent, g_file_size);
  fflush(stderr);
  return 0;
}

long FileSize(const std::string& path) {
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return -1;
  fseek(file, 0, SEEK_END);
  const long size = ftell(file);
  fclose(file);
  return size;
}

int Run(const Args& arguments) {
  Args args = arguments;
  const std::string number = TakeOption(args, "--number", "255");
  unsigned module = 0;
  if (args.size() != 2) {
    fprintf(stderr, "usage: tarrow font MODULE FILE [--number N]\n");
    return 2;
  }
  if (!ParseModuleNumber(args[0], module)) return 2;
  unsigned long font_no = 0;
  if (!ReadNumber(number, 0, 0xFFFFFFFF, font_no)) {
    fprintf(stderr, "tarrow font: bad font number \"%s\"\n", number.c_str());
    return 2;
  }
  NoteSimulatedBoard();
  CV_API_SET_VER();
  VtxLineArgs attach{};
  attach.dest_addr[0] = MILL_FACILITY_ADMIN;
  attach.dest_addr[1] = 0x01;
  attach.dest_addr[2] = static_cast<uint8_t>(module);
  attach.present = 1;
  VtxLine* line = VtxSessionAttach(&attach);
  if (line == nullptr) {
    fprintf(stderr, "tarrow font: module 0x%X: attach failed (status %u, line status %u)\n", module,
            attach.status, attach.line_status);
    return 1;
  }
  g_file_size = FileSize(args[1]);
  g_bar = vtx::tool::IsTerminal(stderr);
  vtx::tool::InstallFunction(&Progress);
  const uint32_t mask = vtx::tool::ExchangeMask(vtx::tool::Mask() | vtx::tool::kLevelInfo);
  VtxFontArgs font{};
  font.fname = args[1].c_str();
  font.font_no = static_cast<int32_t>(font_no);
  const int ret = VtxFaxDownloadFont(line, &font);
  vtx::tool::ExchangeMask(mask);
  if (g_bar) fprintf(stderr, "\n");
  vtx::tool::StatusText text{};
  vtx::tool::FormStatusText(line, font.status, font.line_status, &text);
  printf("%s\n", text.description);
  VtxLineArgs detach{};
  VtxLineDetach(line, &detach);
  return ret == 0 ? 0 : 1;
}

}  // namespace

TARROW_COMMAND("font", "font MODULE FILE [--number N]",
               "download a fax font file to a module (font 0 to 30, default 255)", Run);

}  // namespace tarrow
