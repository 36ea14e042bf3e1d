#include "tools/tarrow/progress.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "api/tool_support.h"

namespace tarrow {
namespace {

constexpr int kBarWidth = 40;

// The trace function is a plain function: the download under way is kept here.
const char* g_mark = "";
long g_total = 0;
bool g_bar = false;
bool g_drawn = false;

int Show(const char* line) {
  const char* mark = strstr(line, g_mark);
  if (mark == nullptr) {
    fprintf(stderr, "%s%s\n", g_drawn ? "\n" : "", line);
    g_drawn = false;
    return 0;
  }
  const long sent = strtol(mark + strlen(g_mark), nullptr, 10);
  const long percent = g_total > 0 ? sent * 100 / g_total : 100;
  if (!g_bar) {
    fprintf(stderr, "%ld/%ld bytes (%ld%%)\n", sent, g_total, percent);
    return 0;
  }
  const int filled = static_cast<int>(percent * kBarWidth / 100);
  fprintf(stderr, "\r[%-*.*s] %ld/%ld bytes %3ld%%", kBarWidth, filled,
          "########################################", sent, g_total, percent);
  fflush(stderr);
  g_drawn = true;
  return 0;
}

}  // namespace

DownloadProgress::DownloadProgress(const char* mark, long total_bytes) {
  g_mark = mark;
  g_total = total_bytes;
  g_bar = vtx::tool::IsTerminal(stderr);
  g_drawn = false;
  vtx::tool::InstallFunction(&Show);
  saved_mask_ = vtx::tool::ExchangeMask(vtx::tool::Mask() | vtx::tool::kLevelInfo);
}

DownloadProgress::~DownloadProgress() {
  vtx::tool::ExchangeMask(saved_mask_);
  if (g_drawn) fprintf(stderr, "\n");
}

long FileSize(const char* path) {
  // The download refuses what is no regular file, with its reason; here it has no size.
  std::string error;
  FILE* file = vtx::tool::OpenRegularFile(path, true, UINT64_MAX, error);
  if (file == nullptr) return -1;
  fseek(file, 0, SEEK_END);
  const long size = ftell(file);
  fclose(file);
  return size;
}

}  // namespace tarrow
