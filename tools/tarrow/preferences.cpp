#include "tools/tarrow/preferences.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "api/tool_support.h"
#include "lineconfig/country_params.h"
#include "lineconfig/prefs_check.h"
#include "lineconfig/user_config.h"
#include "proppage/feature_listing.h"

namespace tarrow {
namespace {

bool g_defaults = false;
bool g_looked = false;
std::string g_found;  // the preference file of this run; empty for the built-in defaults
bool g_said_no_preferences = false;  // the tool has said that there is no cvcall.cfg
std::string g_missing_country_file;  // the cv_cparm whose warning the tool has said for itself

bool Readable(const std::string& path) {
  std::string error;
  FILE* file = vtx::tool::OpenRegularFile(path.c_str(), false, UINT64_MAX, error);
  if (file) fclose(file);
  return file != nullptr;
}

// Says when the country parameter file that the preferences name (the built-in name when they name
// none) is nowhere the line configuration looks, except when the built-in defaults were asked for.
void NoteMissingCountryFile(const std::string& preferences) {
  vtx::PrefsCheck check;
  std::string unread;  // the reset says itself why the preferences do not open
  if (!preferences.empty()) vtx::CheckPreferenceFile(preferences.c_str(), &check, &unread);
  const char* named_by = preferences.empty() ? nullptr : preferences.c_str();
  const std::string found = vtx::CountryFilePath(check.cv_cparm.c_str(), named_by);
  if (Readable(found)) return;
  g_missing_country_file = check.cv_cparm;
  if (g_defaults && preferences.empty()) return;
  fprintf(stderr,
          "tarrow: no country parameter file \"%s\" (looked for %s): the built-in USA "
          "parameters\n",
          check.cv_cparm.c_str(),
          vtx::tool::PlaceList(vtx::tool::ConfigFilePlaces(check.cv_cparm, named_by)).c_str());
}

std::string Search() {
  if (g_defaults) return std::string();
  const std::string here = proppage::kPagePreferences;
  const std::vector<std::string> places = vtx::tool::ConfigFilePlaces(here, nullptr);
  for (const std::string& path : places) {
    if (Readable(path)) {
      vtx::tool::Message(nullptr, vtx::tool::kLevelInfo, "Using user preference file \"%s\"",
                         path.c_str());
      return path;
    }
  }
  g_said_no_preferences = true;
  fprintf(stderr, "tarrow: no user preference file (looked for %s): built-in defaults\n",
          vtx::tool::PlaceList(places).c_str());
  return std::string();
}

}  // namespace

bool TakeDefaults(Args& args) {
  if (TakeFlag(args, "--defaults")) g_defaults = true;
  return g_defaults;
}

std::string FindPreferenceFile(const std::string& named) {
  if (!g_looked) {
    g_looked = true;
    g_found = named.empty() ? Search() : named;
    NoteMissingCountryFile(g_found);
  }
  return g_found;
}

bool RepeatsStartupNote(const char* trace_line) {
  char warning[400];
  if (g_said_no_preferences) {
    snprintf(warning, sizeof warning, vtx::kUserConfigMissing, proppage::kPagePreferences);
    if (strstr(trace_line, warning) != nullptr) return true;
  }
  if (g_missing_country_file.empty()) return false;
  snprintf(warning, sizeof warning, vtx::kCountryFileMissing, g_missing_country_file.c_str(),
           vtx::kUsaCountryCode);
  return strstr(trace_line, warning) != nullptr;
}

}  // namespace tarrow
