// Until the firmware side of the configuration is in place the settings stay in the line
// record, where the line's operations read them, and the configuration succeeds. Of the
// capability discovery only the ADMIN facility's feature-query bit is asked for, so that the
// feature information of a configured line can be read; a line that cannot be asked (one
// without a board behind it) simply lacks the capability.
#include "lineconfig/final_config.h"

#include "admin.h"
#include "api/line.h"
#include "common.h"
#include "lineconfig/capability_query.h"

namespace vtx {
namespace {

constexpr uint32_t kAdminFeatureQueryBit = 0x10;

void DiscoverFeatureQuery(VtxLine* line, const VtxLineArgs* args) {
  if (line->drv_handle < 0) return;
  CapabilityPair pairs[kMaxCapabilityPairs + 1];
  VtxLineArgs query = *args;
  if (QueryCapabilities(line, MILL_FACILITY_ADMIN, pairs, 0, &query) != 0) return;
  for (const CapabilityPair* pair = pairs; pair->tag_id != 0; ++pair) {
    if (pair->tag_id == COMMON_CAPABILITIES_VAR && (pair->value & kAdminFeatureQueryBit) != 0) {
      SetCapability(line, kCapFeatureQuery);
    }
  }
}

}  // namespace

int FinalLineConfiguration(VtxLine* line, VtxLineArgs* args) {
  DiscoverFeatureQuery(line, args);
  return 0;
}

}  // namespace vtx
