// The feature listing. The library does not offer session attach, line reset and the feature
// query yet, so no line can be opened and the listing is empty; the loop over the features goes
// in with those operations.
#include "proppage/feature_listing.h"

namespace proppage {

VtxLine* OpenFeatureLine(int) {
  return nullptr;
}

void CloseFeatureLine(VtxLine*) {}

size_t ListFeatures(int module, char*, size_t) {
  VtxLine* line = OpenFeatureLine(module);
  if (!line) return 0;
  CloseFeatureLine(line);
  return 0;
}

}  // namespace proppage
