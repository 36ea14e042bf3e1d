// Only the C library and the file layer: the same on every system.
#include "os/config_files.h"

#include <algorithm>
#include <cstdlib>

#include "os/file.h"

namespace os {
namespace {

constexpr char kDefaultRegistryFile[] = "/etc/corvane/registry.reg";

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

bool IsAbsolute(const std::string& name) {
  return IsSeparator(name[0]) || (name.size() > 1 && name[1] == ':');
}

// The folder part of `path`: "" for a bare name, "/" for a file in the root folder.
std::string FolderOf(const std::string& path) {
  const size_t last = path.find_last_of("/\\");
  if (last == std::string::npos) return std::string();
  return last == 0 ? path.substr(0, 1) : path.substr(0, last);
}

std::string Join(const std::string& folder, const std::string& name) {
  return IsSeparator(folder.back()) ? folder + name : folder + "/" + name;
}

bool HoldsReadableFile(const std::string& path) {
  FILE* file = FileOpen(path.c_str(), "r", false);
  if (file == nullptr) return false;
  const bool regular = FileIsRegular(file);
  FileClose(file);
  return regular;
}

}  // namespace

std::string ConfigFolder() {
  const char* named = std::getenv("CRVN_REGISTRY");
  const std::string registry = named != nullptr && *named != '\0' ? named : kDefaultRegistryFile;
  const std::string folder = FolderOf(registry);
  return folder.empty() ? std::string(".") : folder;
}

std::vector<std::string> ConfigFilePlaces(const std::string& name, const char* named_by) {
  std::vector<std::string> places{name};
  if (name.empty() || IsAbsolute(name)) return places;
  std::vector<std::string> folders;
  if (named_by != nullptr) folders.push_back(FolderOf(named_by));
  folders.push_back(ConfigFolder());
  for (const std::string& folder : folders) {
    if (folder.empty() || folder == ".") continue;  // the current folder: `name` itself
    const std::string place = Join(folder, name);
    if (std::find(places.begin(), places.end(), place) == places.end()) places.push_back(place);
  }
  return places;
}

std::string PlaceList(const std::vector<std::string>& places) {
  std::string text;
  for (size_t i = 0; i < places.size(); ++i) {
    text += i == 0 ? "" : i + 1 == places.size() ? " and " : ", ";
    text += FolderOf(places[i]).empty() ? "./" + places[i] : places[i];
  }
  return text;
}

std::string FindConfigFile(const std::string& name, const char* named_by) {
  for (const std::string& place : ConfigFilePlaces(name, named_by)) {
    if (HoldsReadableFile(place)) return place;
  }
  return name;
}

}  // namespace os
