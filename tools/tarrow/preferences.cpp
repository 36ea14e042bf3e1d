#include "tools/tarrow/preferences.h"

#include <cstdio>

#include "api/tool_support.h"
#include "proppage/feature_listing.h"

namespace tarrow {
namespace {

bool Readable(const std::string& path) {
  FILE* file = fopen(path.c_str(), "r");
  if (file) fclose(file);
  return file != nullptr;
}

}  // namespace

std::string FindPreferenceFile(const std::string& named) {
  if (!named.empty()) return named;
  const std::string here = proppage::kPagePreferences;
  const std::string beside = MachinePreferenceFolder() + "/" + here;
  for (const std::string& path : {here, beside}) {
    if (Readable(path)) {
      vtx::tool::Message(nullptr, vtx::tool::kLevelInfo, "Using user preference file \"%s\"",
                         path.c_str());
      return path;
    }
  }
  fprintf(stderr, "tarrow: no user preference file (looked for ./%s and %s): built-in defaults\n",
          here.c_str(), beside.c_str());
  return std::string();
}

}  // namespace tarrow
