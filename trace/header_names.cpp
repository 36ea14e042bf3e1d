#include "trace/header_names.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "os/dir.h"
#include "os/file.h"
#include "vtx.h"

namespace vtx::trace {
namespace {

constexpr size_t kMaxLine = 511;
constexpr uint32_t kHostCtrl = 11;
constexpr uint32_t kEcc = 18;

bool EndsWithNoCase(const std::string& text, const char* end) {
  const size_t n = strlen(end);
  return text.size() >= n && strcasecmp(text.c_str() + text.size() - n, end) == 0;
}

bool StartsWith(const std::string& text, const char* start) {
  return text.compare(0, strlen(start), start) == 0;
}

// The words of a line, up to three.
size_t Words(const std::string& line, std::string words[3]) {
  size_t count = 0;
  size_t pos = 0;
  while (count < 3) {
    pos = line.find_first_not_of(" \t\r\n\f\v", pos);
    if (pos == std::string::npos) break;
    const size_t end = std::min(line.find_first_of(" \t\r\n\f\v", pos), line.size());
    words[count++] = line.substr(pos, end - pos);
    pos = end;
  }
  return count;
}

class HeaderParser {
 public:
  explicit HeaderParser(const std::string& path) : common_(EndsWithNoCase(path, "common.h")) {}

  void Line(std::string line) {
    if (in_comment_) {
      in_comment_ = line.find("*/") == std::string::npos;
      return;
    }
    const size_t open = line.find("/*");
    if (open != std::string::npos) {
      in_comment_ = line.find("*/", open + 2) == std::string::npos;
      return;
    }
    line = line.substr(0, line.find("//"));
    std::string words[3];
    if (Words(line, words) < 3 || words[0] != "#define") return;
    if (!isdigit(static_cast<unsigned char>(words[2][0]))) return;
    const unsigned long value = strtoul(words[2].c_str(), nullptr, 0);
    Define(words[1], value);
  }

  bool Install(NameTables& names) {
    if (facility_ < 0) return false;
    FacilityNames* entry = &names.generic;
    if (!common_) {
      if (facility_ >= static_cast<long>(kFacilitySlots)) return false;
      entry = &names.facilities[facility_];
      names.facility_count = std::max(names.facility_count, static_cast<uint32_t>(facility_ + 1));
    }
    entry->name = facility_name_;
    for (int kind = 0; kind < 4; ++kind) entry->tables[kind] = std::move(tables_[kind]);
    return true;
  }

  // The decoder prints the part of a name after the facility's name and its "_"; names that do
  // not start with them are kept whole.
  void RemovePrefix() {
    const std::string prefix = facility_name_ + "_";
    for (std::vector<std::string>& table : tables_) {
      for (std::string& name : table) {
        if (name.size() > prefix.size() && StartsWith(name, prefix.c_str())) {
          name.erase(0, prefix.size());
        }
      }
    }
  }

 private:
  void Define(const std::string& name, unsigned long value) {
    static const char kFacility[] = "MILL_FACILITY_";
    if (StartsWith(name, kFacility)) {
      facility_name_ = name.substr(strlen(kFacility));
      facility_ =
          value < kFacilitySlots ? static_cast<long>(value) : static_cast<long>(kFacilitySlots);
      return;
    }
    if (common_ && !StartsWith(name, "COMMON_")) return;
    if (value >= kMaxCode) return;
    static const struct {
      const char* ending;
      codes::Kind kind;
    } kEndings[] = {{"_EVENT", codes::Kind::kEvent},
                    {"_REQUEST", codes::Kind::kRequest},
                    {"_MODE", codes::Kind::kMode},
                    {"_VAR", codes::Kind::kTag},
                    {"_PAR", codes::Kind::kTag}};
    for (const auto& ending : kEndings) {
      const size_t n = strlen(ending.ending);
      if (name.size() <= n || name.compare(name.size() - n, n, ending.ending) != 0) continue;
      std::vector<std::string>& table = tables_[static_cast<int>(ending.kind)];
      if (table.size() <= value) table.resize(value + 1);
      table[value] = name.substr(0, name.size() - n);
      return;
    }
  }

  bool common_;
  bool in_comment_ = false;
  std::string facility_name_;
  long facility_ = -1;
  std::vector<std::string> tables_[4];
};

std::mutex g_load_lock;
std::vector<std::string> g_headers;  // guarded by g_load_lock

// Adds the directory's header files, in name order, to the list.
bool ListHeaders(const char* directory) {
  os::DirScan* scan = os::DirOpen(directory);
  if (scan == nullptr) return false;
  std::vector<std::string> found;
  while (const char* name = os::DirNext(scan)) {
    if (EndsWithNoCase(name, ".h")) found.push_back(std::string(directory) + "/" + name);
  }
  os::DirClose(scan);
  std::sort(found.begin(), found.end());
  for (const std::string& path : found) {
    if (g_headers.size() >= kMaxHeaderFiles) break;
    if (std::find(g_headers.begin(), g_headers.end(), path) == g_headers.end()) {
      g_headers.push_back(path);
    }
  }
  return true;
}

void Reset(NameTables& names) {
  for (uint32_t facility = 0; facility < kFacilitySlots; ++facility) {
    if (facility != kHostCtrl && facility != kEcc) names.facilities[facility].Clear();
  }
  names.generic.Clear();
  names.facility_count = kResetFacilityCount;
}

}  // namespace

bool ParseHeaderText(const std::string& path, const char* text, size_t size, NameTables& names) {
  HeaderParser parser(path);
  // Lines are read as a line reader with a buffer of 512 characters would: a longer line is
  // taken as several.
  size_t pos = 0;
  while (pos < size) {
    const char* start = text + pos;
    const size_t left = std::min(size - pos, kMaxLine);
    const void* newline = memchr(start, '\n', left);
    const size_t n = newline != nullptr ? static_cast<const char*>(newline) - start + 1 : left;
    parser.Line(std::string(start, n));
    pos += n;
  }
  parser.RemovePrefix();
  return parser.Install(names);
}

bool ParseHeaderFile(const std::string& path, NameTables& names) {
  // A firmware definition header is tens of kilobytes; a directory or FIFO named like one is
  // skipped.
  constexpr uint64_t kHeaderFileLimit = 4 << 20;
  std::string text, error;
  if (!os::ReadRegularFile(path.c_str(), kHeaderFileLimit, text, error)) return false;
  return ParseHeaderText(path, text.data(), text.size(), names);
}

int LoadNames(const char* directory) {
  std::lock_guard<std::mutex> hold(g_load_lock);
  auto names = std::make_shared<NameTables>(*CurrentNames());
  Reset(*names);
  const bool listed = ListHeaders(directory);
  int parsed = 0;
  for (const std::string& path : g_headers) {
    if (ParseHeaderFile(path, *names)) ++parsed;
  }
  names->facilities[0].name = "NULL";
  InstallNames(std::move(names));
  return listed ? parsed : -1;
}

}  // namespace vtx::trace

extern "C" int VtxTraceNamesLoad(const char* directory) {
  return vtx::trace::LoadNames(directory);
}
