// tarrow features MODULE: the module's feature information exactly as the Device Details page's
// box shows it, or as JSON.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "proppage/feature_listing.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"
#include "vtx.h"

namespace tarrow {
namespace {

constexpr size_t kPageBoxSize = 8192;  // the page's feature text buffer
constexpr char kUsage[] = "features MODULE [--defaults] [--json]";

// The module's features with their kinds of value: booleans, numbers and texts.
int PrintJsonOn(VtxLine* line, unsigned module) {
  Json features = Json::array();
  for (;;) {
    VtxFeatureArgs feature{};
    VtxFeatureSetQuery(line, &feature);
    if (feature.status != CV_STATUS_OK) {
      ResultError("module " + std::to_string(module) + ": feature query", line, feature.status,
                  feature.line_status);
      return 1;
    }
    if (feature.key[0] == '\0') break;
    Json value;
    if (feature.type == VTX_FEATURE_BOOLEAN) {
      value = feature.value_int != 0;
    } else if (feature.type == VTX_FEATURE_TEXT) {
      value = std::string(feature.output_value_string,
                          strnlen(feature.output_value_string, sizeof feature.output_value_string));
    } else {
      value = +feature.value_int;  // a copy: the record is packed
    }
    features.push_back(Json{{"key", feature.key}, {"value", value}});
  }
  PrintJson(Json{{"module", module}, {"features", features}});
  return 0;
}

int Run(const Args& arguments) {
  Args args = arguments;
  const bool json = TakeFlag(args, "--json");
  TakeDefaults(args);
  unsigned module = 0;
  if (!TakeModuleAlone(args, kUsage, module)) return 2;
  VtxLine* line = OpenTelephLine(module);
  if (line == nullptr) return 1;
  int status = 0;
  if (json) {
    status = PrintJsonOn(line, module);
  } else {
    std::vector<char> box(kPageBoxSize, '\0');
    const size_t written = proppage::ListFeaturesOn(line, box.data(), box.size());
    fwrite(box.data(), 1, written, stdout);
  }
  CloseTelephLine(line);
  return status;
}

}  // namespace

constexpr char kHelp[] =
    "  --defaults         reset the line with the built-in settings, without a preference file\n"
    "  --json             print JSON (docs/json.md)\n"
    "\n"
    "Example:\n"
    "  tarrow features 2 --json\n";

TARROW_COMMAND("features", kUsage,
               "the module's feature information as the Device Details page shows it", Run, kHelp);

}  // namespace tarrow
