#include "callctrl/hostlib/host_module_library.h"

#include "os/library.h"
#include "os/program.h"

namespace vtx::callctrl {
namespace {

template <typename Fn>
void LookUp(os::Library* library, const char* name, Fn& entry, bool& failed) {
  void* symbol = os::LibrarySymbol(library, name);
  failed = symbol == nullptr;
  entry = reinterpret_cast<Fn>(symbol);
}

}  // namespace

HostModuleLibrary::HostModuleLibrary() = default;

HostModuleLibrary::~HostModuleLibrary() {
  Unload();
}

bool HostModuleLibrary::Load(const char* path) {
  Unload();
  path_ = path ? path : "";
  load_error_.clear();
  if (!Open(path_)) {
    std::string reason = load_error_;
    const std::string beside = os::LibraryDirectory();
    if (os::PathHasFolder(path_) || beside.empty() || !Open(beside + "/" + path_)) {
      load_error_ = reason;
      return false;
    }
  }
  os::Library* dll = library_;
  bool& failed = last_lookup_failed_;
  LookUp(dll, "CIPI_CloseLibrary", entries_.CIPI_CloseLibrary, failed);
  LookUp(dll, "CIPI_GetErrorString", entries_.CIPI_GetErrorString, failed);
  LookUp(dll, "CIPI_OpenLibrary", entries_.CIPI_OpenLibrary, failed);
  LookUp(dll, "CIPI_QueryConfigurationKeys", entries_.CIPI_QueryConfigurationKeys, failed);
  LookUp(dll, "CIPI_QueryLibraryInfo", entries_.CIPI_QueryLibraryInfo, failed);
  LookUp(dll, "CIPI_ReconfigureLibrary", entries_.CIPI_ReconfigureLibrary, failed);
  LookUp(dll, "CIPI_SetTrace", entries_.CIPI_SetTrace, failed);
  LookUp(dll, "CIPI_CapabilityQuery", entries_.CIPI_CapabilityQuery, failed);
  LookUp(dll, "CIPI_GetEvent", entries_.CIPI_GetEvent, failed);
  LookUp(dll, "CIPI_GetStats", entries_.CIPI_GetStats, failed);
  LookUp(dll, "CIPI_SendCommand", entries_.CIPI_SendCommand, failed);
  return true;
}

bool HostModuleLibrary::Open(const std::string& path) {
  library_ = os::LibraryOpen(path.c_str(), load_error_);
  return library_ != nullptr;
}

void HostModuleLibrary::Unload() {
  entries_ = CipiEntryPoints();
  os::LibraryClose(library_);
  library_ = nullptr;
}

int32_t HostModuleLibrary::CloseLibrary(int32_t reserved) {
  return entries_.CIPI_CloseLibrary ? entries_.CIPI_CloseLibrary(reserved) : -1;
}

int32_t HostModuleLibrary::OpenLibrary(CIPI_TraceFn trace, CIPI_ConfigKeyFn keys, int32_t reserved,
                                       char* version) {
  return entries_.CIPI_OpenLibrary ? entries_.CIPI_OpenLibrary(trace, keys, reserved, version) : -1;
}

int32_t HostModuleLibrary::QueryConfigurationKeys(int32_t index, CIPI_ConfigKey* key) {
  return entries_.CIPI_QueryConfigurationKeys ? entries_.CIPI_QueryConfigurationKeys(index, key)
                                              : -1;
}

int32_t HostModuleLibrary::QueryLibraryInfo(char* vendor, char* name, char* version) {
  vendor[0] = name[0] = version[0] = '\0';
  return entries_.CIPI_QueryLibraryInfo ? entries_.CIPI_QueryLibraryInfo(vendor, name, version)
                                        : -1;
}

int32_t HostModuleLibrary::ReconfigureLibrary() {
  return entries_.CIPI_ReconfigureLibrary ? entries_.CIPI_ReconfigureLibrary() : -1;
}

int32_t HostModuleLibrary::SetTrace(int32_t level) {
  return entries_.CIPI_SetTrace ? entries_.CIPI_SetTrace(level) : -1;
}

int32_t HostModuleLibrary::GetEvent(int32_t timeout_ms, void* event) {
  return entries_.CIPI_GetEvent ? entries_.CIPI_GetEvent(timeout_ms, event) : -1;
}

int32_t HostModuleLibrary::SendCommand(const void* command) {
  return entries_.CIPI_SendCommand ? entries_.CIPI_SendCommand(command) : -1;
}

}  // namespace vtx::callctrl
