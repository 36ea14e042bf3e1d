#include "api/tool_support.h"
#include "tools/tarrow/preferences.h"

namespace tarrow {

std::string MachinePreferenceFolder() {
  return vtx::tool::ProgramDirectory();
}

}  // namespace tarrow
