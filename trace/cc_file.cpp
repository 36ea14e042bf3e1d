#include "trace/cc_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "os/dir.h"
#include "os/file.h"
#include "trace/timestamp.h"

namespace vtx::trace::cc {
namespace {

// The library's version text, build date and build time in the banner of every opened file.
constexpr char kVersion[] = "4.0.0B17.296";
constexpr char kBuildDate[] = "Mar 22 2005";
constexpr char kBuildTime[] = "14:48:26";

// Guarded by the trace lock.
struct FileState {
  FILE* file = nullptr;
  std::string name;
  uint64_t position = 0;
  std::optional<std::string> directory;
  std::string base;  // empty: no numbered series
  uint32_t number = 0;
  std::optional<std::string> extension;
  uint32_t max_size = kDefaultMaxFileSize;
  uint32_t max_files = 1;
};
FileState g_state;

void Write(const char* text, size_t length) {
  if (os::FileWriteThrough(g_state.file, text, length)) g_state.position += length;
}

// A message of the file itself: the timestamp, then `text`.
void WriteNote(const char* text) {
  char line[128];
  FormatTimestamp(line);
  const int n = snprintf(line + kTimestampLength, sizeof line - kTimestampLength, " %s", text);
  if (n > 0) Write(line, kTimestampLength + static_cast<size_t>(n));
}

void CloseFile() {
  os::FileClose(g_state.file);
  g_state.file = nullptr;
  g_state.name.clear();
}

std::string NumberedName(uint32_t number) {
  std::string name;
  if (g_state.directory) name = *g_state.directory + "/";
  name += g_state.base + "_" + std::to_string(number);
  if (g_state.extension) name += "." + *g_state.extension;
  return name;
}

// The number of a directory entry named "<base>_<number>" or "<base>_<number>.<extension>",
// or -1 for any other name.
long SeriesNumber(const std::string& entry, const std::string& base,
                  const std::optional<std::string>& extension) {
  if (entry.compare(0, base.size() + 1, base + "_") != 0) return -1;
  size_t pos = base.size() + 1;
  const size_t digits_end = entry.find_first_not_of("0123456789", pos);
  const size_t digits = (digits_end == std::string::npos ? entry.size() : digits_end) - pos;
  if (digits == 0 || digits > 9) return -1;
  const std::string rest = entry.substr(pos + digits);
  if (rest != (extension ? "." + *extension : std::string())) return -1;
  return strtol(entry.c_str() + pos, nullptr, 10);
}

uint32_t HighestNumber(const std::string& directory, const std::string& base,
                       const std::optional<std::string>& extension) {
  long highest = 0;
  os::DirScan* scan = os::DirOpen(directory.c_str());
  if (scan == nullptr) return 0;  // an unreadable directory starts the series at 0
  while (const char* entry = os::DirNext(scan)) {
    highest = std::max(highest, SeriesNumber(entry, base, extension));
  }
  os::DirClose(scan);
  return static_cast<uint32_t>(highest);
}

void MoveToNextFile() {
  WriteNote("maximum trace file size reached, continuing trace to next file.\n");
  const uint32_t number = g_state.number + 1;
  if (number >= g_state.max_files) DeleteNumberedFile(number - g_state.max_files);
  std::optional<std::string> directory = g_state.directory;
  std::string base = g_state.base;
  std::optional<std::string> extension = g_state.extension;
  if (!OpenNumberedFile(directory ? directory->c_str() : nullptr, base.c_str(), number,
                        extension ? extension->c_str() : nullptr)) {
    return;
  }
  WriteNote("trace continued from previous file.\n");
}

void WrapToStart() {
  WriteNote("maximum trace file size reached, continuing trace from start of file.\n");
  fseek(g_state.file, 0, SEEK_SET);
  g_state.position = 0;
  WriteNote("trace continuing from end of file.\n");
}

}  // namespace

std::recursive_mutex& TraceMutex() {
  static std::recursive_mutex lock;
  return lock;
}

void SetMaxFileSize(uint32_t units) {
  const uint64_t bytes = static_cast<uint64_t>(units) * kFileSizeUnit;
  SetMaxFileBytes(bytes > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(bytes));
}

void SetMaxFileBytes(uint32_t bytes) {
  std::lock_guard<std::recursive_mutex> hold(TraceMutex());
  g_state.max_size = bytes;
}

void SetMaxFiles(uint32_t count) {
  std::lock_guard<std::recursive_mutex> hold(TraceMutex());
  g_state.max_files = count;
}

bool OpenTraceFile(const char* name) {
  std::lock_guard<std::recursive_mutex> hold(TraceMutex());
  CloseFile();
  if (name == nullptr) {
    g_state.directory.reset();
    g_state.base.clear();
    g_state.extension.reset();
    return true;
  }
  g_state.file = os::FileOpen(name, "r+", false);
  if (g_state.file == nullptr) g_state.file = os::FileOpen(name, "w+", false);
  if (g_state.file == nullptr) return false;
  fseek(g_state.file, 0, SEEK_END);
  const long end = ftell(g_state.file);
  g_state.position = end > 0 ? static_cast<uint64_t>(end) : 0;
  g_state.name = name;
  char banner[128];
  const int n =
      snprintf(banner, sizeof banner, "\n**************************\nECC Trace --- %s %s %s\n\n",
               kVersion, kBuildDate, kBuildTime);
  Write(banner, static_cast<size_t>(n));
  return true;
}

bool OpenSeries(const char* name) {
  std::lock_guard<std::recursive_mutex> hold(TraceMutex());
  if (name == nullptr) return OpenTraceFile(nullptr);
  if (g_state.max_files < 2) {
    OpenTraceFile(nullptr);
    return OpenTraceFile(name);
  }
  const std::string full = name;
  size_t slash = full.rfind('/');
  if (slash == std::string::npos) slash = full.rfind('\\');
  std::optional<std::string> directory;
  std::string rest = full;
  if (slash != std::string::npos) {
    directory = full.substr(0, slash);
    rest = full.substr(slash + 1);
  }
  std::optional<std::string> extension;
  const size_t dot = rest.rfind('.');
  if (dot != std::string::npos) {
    extension = rest.substr(dot + 1);
    rest.resize(dot);
  }
  const uint32_t number = HighestNumber(directory ? *directory : ".", rest, extension);
  return OpenNumberedFile(directory ? directory->c_str() : nullptr, rest.c_str(), number,
                          extension ? extension->c_str() : nullptr);
}

bool OpenNumberedFile(const char* directory, const char* base, uint32_t number,
                      const char* extension) {
  std::lock_guard<std::recursive_mutex> hold(TraceMutex());
  g_state.directory = directory != nullptr ? std::optional<std::string>(directory) : std::nullopt;
  g_state.base = base != nullptr ? base : "";
  g_state.number = number;
  g_state.extension = extension != nullptr ? std::optional<std::string>(extension) : std::nullopt;
  return OpenTraceFile(NumberedName(number).c_str());
}

void DeleteNumberedFile(uint32_t number) {
  std::lock_guard<std::recursive_mutex> hold(TraceMutex());
  remove(NumberedName(number).c_str());
}

std::string OpenFileName() {
  std::lock_guard<std::recursive_mutex> hold(TraceMutex());
  return g_state.name;
}

void WriteToFile(const char* text, size_t length) {
  std::lock_guard<std::recursive_mutex> hold(TraceMutex());
  if (g_state.file == nullptr) return;
  if (g_state.position >= g_state.max_size) {
    if (g_state.base.empty() || g_state.max_files < 2) {
      WrapToStart();
    } else {
      MoveToNextFile();
    }
    if (g_state.file == nullptr) return;
  }
  Write(text, length);
}

}  // namespace vtx::trace::cc
