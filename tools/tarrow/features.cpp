// tarrow features MODULE: the module's feature information exactly as the Device Details page's
// box shows it, or as JSON.
#include <cstdio>
#include <string>
#include <vector>

#include "proppage/feature_listing.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/preferences.h"
#include "vtx.h"

namespace tarrow {
namespace {

constexpr size_t kPageBoxSize = 8192;  // the page's feature text buffer

// The listing's lines, without their line ends.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// A listing line as key and value: the key column is 11 characters, then ": ".
void PrintJson(const std::string& text) {
  printf("[");
  const char* separator = "";
  for (const std::string& line : Lines(text)) {
    const size_t colon = line.find(": ");
    std::string key = colon == std::string::npos ? "" : line.substr(0, colon);
    key = key.substr(0, key.find_last_not_of(' ') + 1);
    std::string value = colon == std::string::npos ? line : line.substr(colon + 2);
    printf("%s\n  {\"key\": %s, \"value\": %s}", separator, JsonString(key).c_str(),
           JsonString(value).c_str());
    separator = ",";
  }
  printf("\n]\n");
}

int Run(const Args& arguments) {
  Args args = arguments;
  const bool json = TakeFlag(args, "--json");
  TakeDefaults(args);
  unsigned module = 0;
  if (args.size() != 1 || !ParseModuleNumber(args[0], module)) {
    fprintf(stderr, "usage: tarrow features MODULE [--defaults] [--json]\n");
    return 2;
  }
  NoteSimulatedBoard();
  CV_API_SET_VER();
  std::vector<char> box(kPageBoxSize, '\0');
  const std::string preferences = FindPreferenceFile();
  const size_t written =
      proppage::ListFeatures(static_cast<int>(module), box.data(), box.size(),
                             preferences.empty() ? nullptr : preferences.c_str());
  if (written == 0) {
    fprintf(stderr, "tarrow features: module 0x%X: no line could be opened and reset\n", module);
    return 1;
  }
  const std::string text(box.data(), written);
  if (json) {
    PrintJson(text);
  } else {
    fwrite(text.data(), 1, text.size(), stdout);
  }
  return 0;
}

}  // namespace

TARROW_COMMAND("features", "features MODULE [--defaults] [--json]",
               "the module's feature information as the Device Details page shows it", Run);

}  // namespace tarrow
