// The feature listing: a line on the module, reset with the user preference file, then one
// feature query per line of text until the module's list ends.
#include "proppage/feature_listing.h"

#include <cstdio>
#include <cstring>

namespace proppage {
namespace {

constexpr int kKeyColumn = 11;  // the key and its blanks
constexpr char kCapabilitySentence[] =
    "The hardware or firmware does not have a required capability.\r\n";

VtxLine* AttachSession(int module, uint8_t kind) {
  VtxLineArgs args{};
  args.dest_addr[1] = kind;
  args.dest_addr[2] = static_cast<uint8_t>(module);
  args.present = 1;
  args.unique = 1;
  return VtxSessionAttach(&args);
}

// One listing line for a feature, into `entry`; its length, or -1 when it does not fit.
int FormatFeature(const VtxFeatureArgs& feature, char* entry, size_t size) {
  char key[kKeyColumn + 1];
  snprintf(key, sizeof key, "%-*.8s", kKeyColumn, feature.key);
  switch (feature.type) {
    case VTX_FEATURE_BOOLEAN:
      return snprintf(entry, size, "%-s: %-s\r\n", key, feature.value_int != 0 ? "True" : "False");
    case VTX_FEATURE_TEXT:
      return snprintf(entry, size, "%-s: %-.*s\r\n", key,
                      static_cast<int>(sizeof feature.output_value_string),
                      feature.output_value_string);
    default:
      return snprintf(entry, size, "%-s: %-d\r\n", key, feature.value_int);
  }
}

// Appends `text` when it fits below `limit` with its terminator.
bool Append(char* buffer, size_t& written, size_t limit, const char* text, size_t length) {
  if (written + length + 1 > limit) return false;
  memcpy(buffer + written, text, length);
  written += length;
  buffer[written] = '\0';
  return true;
}

}  // namespace

VtxLine* OpenFeatureLine(int module, const char* preferences) {
  VtxLine* line = AttachSession(module, 2);
  if (line == nullptr) line = AttachSession(module, 1);
  if (line == nullptr) return nullptr;
  VtxLineArgs args{};
  args.config_file_name = preferences;
  args.skip_teleph = 1;
  if (VtxLineReset(line, &args) >= 0) return line;
  // Nobody else holds the line: it goes with the reset that failed.
  CloseFeatureLine(line);
  return nullptr;
}

void CloseFeatureLine(VtxLine* line) {
  if (line == nullptr) return;
  VtxLineArgs args{};
  VtxLineDetach(line, &args);
}

size_t ListFeatures(int module, char* buffer, size_t limit, const char* preferences) {
  VtxLine* line = OpenFeatureLine(module, preferences);
  if (line == nullptr) return 0;
  const size_t written = ListFeaturesOn(line, buffer, limit);
  CloseFeatureLine(line);
  return written;
}

size_t ListFeaturesOn(VtxLine* line, char* buffer, size_t limit) {
  size_t written = 0;
  while (written < limit) {
    VtxFeatureArgs feature{};
    VtxFeatureSetQuery(line, &feature);
    if (feature.status != CV_STATUS_OK) {
      Append(buffer, written, limit, kCapabilitySentence, sizeof kCapabilitySentence - 1);
      break;
    }
    if (feature.key[0] == '\0') break;
    char entry[sizeof feature.output_value_string + 32];
    const int length = FormatFeature(feature, entry, sizeof entry);
    if (length < 0 || static_cast<size_t>(length) >= sizeof entry ||
        !Append(buffer, written, limit, entry, static_cast<size_t>(length))) {
      break;
    }
  }
  return written;
}

}  // namespace proppage
