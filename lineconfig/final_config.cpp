// Until the firmware side of the configuration is in place the settings stay in the line
// record, where the line's operations read them, and the configuration succeeds.
#include "lineconfig/final_config.h"

namespace vtx {

int FinalLineConfiguration(VtxLine* /*line*/, VtxLineArgs* /*args*/) {
  return 0;
}

}  // namespace vtx
