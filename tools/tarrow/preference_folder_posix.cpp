#include "compat/win32/reg_file.h"
#include "tools/tarrow/preferences.h"

namespace tarrow {

std::string MachinePreferenceFolder() {
  const std::string registry = win32compat::RegistryFilePath();
  const size_t slash = registry.rfind('/');
  return slash == std::string::npos ? std::string(".") : registry.substr(0, slash);
}

}  // namespace tarrow
