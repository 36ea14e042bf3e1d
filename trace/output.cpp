#include "trace/output.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "os/clock.h"
#include "os/file.h"
#include "trace/api_log.h"

namespace vtx::trace {
namespace {

enum class Output { kStdout, kSingleFile, kAlternating, kFunction, kNone };

constexpr size_t kNameSize = 300;

// Guarded by the trace lock.
struct OutputState {
  Output output = Output::kStdout;
  char names[2][kNameSize] = {};
  uint32_t limit = 0;
  int index = 0;  // the file of the pair now written
  FILE* file = nullptr;
  VtxTraceFunc function = nullptr;
};
OutputState g_state;

void StoreName(int index, const char* name) {
  snprintf(g_state.names[index], kNameSize, "%s", name != nullptr ? name : "");
}

void CloseFile() {
  os::FileClose(g_state.file);
  g_state.file = nullptr;
}

// The file name with "%p" replaced by the process identifier; a "%" before any other character
// is dropped and the character kept.
std::string ExpandName(const char* name) {
  std::string expanded;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p != '%') {
      expanded += *p;
    } else if (p[1] == 'p') {
      expanded += std::to_string(os::ProcessId());
      ++p;
    } else if (p[1] != '\0') {
      expanded += *++p;
    }
  }
  return expanded;
}

// Opens the current file: emptied for alternating files, appended to for a single file. When
// it cannot be opened, tracing is switched off.
bool OpenCurrentFile() {
  const char* mode = g_state.output == Output::kAlternating ? "w" : "a";
  g_state.file = os::FileOpen(ExpandName(g_state.names[g_state.index]).c_str(), mode, false);
  if (g_state.file != nullptr) return true;
  ExchangeMask(0);
  g_state.output = Output::kNone;
  return false;
}

// With alternating files, a file that has reached the limit is closed and the other one is
// emptied and written from the start.
bool SwitchFileAtLimit() {
  fseek(g_state.file, 0, SEEK_END);
  long position = ftell(g_state.file);
  if (position < 0 || static_cast<unsigned long>(position) < g_state.limit) return true;
  CloseFile();
  g_state.index ^= 1;
  return OpenCurrentFile();
}

void WriteStream(FILE* stream, char* text, size_t length) {
  text[length] = '\n';
  os::FileWriteThrough(stream, text, length + 1);
  text[length] = '\0';
}

}  // namespace

void Emit(char* text, size_t length) {
  TraceLock hold;
  switch (g_state.output) {
    case Output::kStdout:
      WriteStream(stdout, text, length);
      break;
    case Output::kAlternating:
      if (!SwitchFileAtLimit()) break;
      WriteStream(g_state.file, text, length);
      break;
    case Output::kSingleFile:
      // Opened for appending: every write lands at the end of the file.
      WriteStream(g_state.file, text, length);
      break;
    case Output::kFunction:
      g_state.function(text);
      break;
    case Output::kNone:
      break;
  }
}

void InstallFunctionLocked(VtxTraceFunc function) {
  g_state.function = function;
  g_state.output = function != nullptr ? Output::kFunction : Output::kStdout;
  CloseFile();
}

uint32_t SetFilesLocked(const char* first, const char* second, uint32_t limit) {
  if (g_state.function != nullptr) return APIERR_BADSTATE;
  if (first == nullptr) {
    g_state.output = Output::kStdout;
    StoreName(0, "");
    StoreName(1, "");
    CloseFile();
    return 0;
  }
  bool pair_given = second != nullptr && limit != 0;
  // The file stays open when it already is under the same first name and either the same pair
  // is set again, or a single file is set again while its first file is being written.
  bool same_pair = pair_given && strncmp(second, g_state.names[1], kNameSize - 1) == 0;
  bool same_single = g_state.names[1][0] == '\0' && g_state.index == 0;
  bool keep = g_state.file != nullptr && strncmp(first, g_state.names[0], kNameSize - 1) == 0 &&
              (same_pair || same_single);
  StoreName(0, first);
  if (pair_given) {
    StoreName(1, second);
    g_state.limit = limit;
    g_state.output = Output::kAlternating;
  } else {
    StoreName(1, "");
    g_state.output = Output::kSingleFile;
  }
  if (keep) return 0;
  CloseFile();
  g_state.index = 0;
  return OpenCurrentFile() ? 0 : APIERR_FILEIO;
}

}  // namespace vtx::trace
