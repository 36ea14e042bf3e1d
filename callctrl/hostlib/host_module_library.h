// HostModuleLibrary: a host module's CIPI library opened by path, with its eleven
// entry points looked up by name. A missing entry point is null, and its wrapper answers -1 (the
// information query: empty texts) instead of failing the load.
#pragma once

#include <string>

#include "callctrl/hostlib/cipi.h"

namespace os {
struct Library;
}

namespace vtx::callctrl {

struct CipiEntryPoints {
  CIPI_CloseLibrary_t CIPI_CloseLibrary = nullptr;
  CIPI_GetErrorString_t CIPI_GetErrorString = nullptr;
  CIPI_OpenLibrary_t CIPI_OpenLibrary = nullptr;
  CIPI_QueryConfigurationKeys_t CIPI_QueryConfigurationKeys = nullptr;
  CIPI_QueryLibraryInfo_t CIPI_QueryLibraryInfo = nullptr;
  CIPI_ReconfigureLibrary_t CIPI_ReconfigureLibrary = nullptr;
  CIPI_SetTrace_t CIPI_SetTrace = nullptr;
  CIPI_CapabilityQuery_t CIPI_CapabilityQuery = nullptr;
  CIPI_GetEvent_t CIPI_GetEvent = nullptr;
  CIPI_GetStats_t CIPI_GetStats = nullptr;
  CIPI_SendCommand_t CIPI_SendCommand = nullptr;
};

class HostModuleLibrary {
 public:
  HostModuleLibrary();
  ~HostModuleLibrary();  // closes the library
  HostModuleLibrary(const HostModuleLibrary&) = delete;
  HostModuleLibrary& operator=(const HostModuleLibrary&) = delete;

  // Opens the library and looks the entry points up: false when it does not open (load_error()
  // then says why). A bare file name that the system's library search does not find is looked
  // for in the folder of the project's own library, where the shipped host module libraries
  // are installed and built.
  bool Load(const char* path);
  void Unload();

  const CipiEntryPoints& entries() const { return entries_; }
  const std::string& path() const { return path_; }
  // The system loader's reason for the last failed Load, empty after a successful one.
  const std::string& load_error() const { return load_error_; }
  bool last_lookup_failed() const { return last_lookup_failed_; }

  int32_t CloseLibrary(int32_t reserved);
  int32_t OpenLibrary(CIPI_TraceFn trace, CIPI_ConfigKeyFn keys, int32_t reserved, char* version);
  int32_t QueryConfigurationKeys(int32_t index, CIPI_ConfigKey* key);
  // Each buffer holds CIPI_INFO_TEXT_SIZE bytes.
  int32_t QueryLibraryInfo(char* vendor, char* name, char* version);
  int32_t ReconfigureLibrary();
  int32_t SetTrace(int32_t level);
  int32_t GetEvent(int32_t timeout_ms, void* event);
  int32_t SendCommand(const void* command);

 private:
  bool Open(const std::string& path);

  os::Library* library_ = nullptr;
  bool last_lookup_failed_ = false;
  std::string path_;
  std::string load_error_;
  CipiEntryPoints entries_;
};

}  // namespace vtx::callctrl
