#include "api/version.h"

#include "trace/api_log.h"

extern "C" {
uint32_t VtxAppApiVersion = 0;
uint32_t VtxAppBuild = 0;
uint32_t VtxAppANumber = 0;
}

namespace vtx::api {

int CompareVersions(uint32_t a, uint32_t b) {
  uint32_t va = VersionNumber(a), vb = VersionNumber(b);
  if (va != vb) return va < vb ? -1 : 1;
  uint32_t ia = InterfaceNumber(a), ib = InterfaceNumber(b);
  if (ia != ib) return ia < ib ? -1 : 1;
  return 0;
}

int CheckAppVersion(const VtxLine* line, uint32_t& version) {
  if (version == 0) {
    trace::Message(line, trace::kLevelError, "Warning: CV_API_SET_VER macro not called.");
    __atomic_store_n(&VtxAppApiVersion, CV_API_VERSION, __ATOMIC_RELAXED);
    version = CV_API_VERSION;
    return 0;
  }
  if (CompareVersions(version, CV_API_VERSION) > 0) {
    trace::Message(line, trace::kLevelError,
                   "Application version %uB%uA%u with interface %u is later than library "
                   "version %uB%uA%u with interface %u",
                   VersionNumber(VtxAppBuild), InterfaceNumber(VtxAppBuild), VtxAppANumber,
                   InterfaceNumber(version), VersionNumber(CV_API_BUILD),
                   InterfaceNumber(CV_API_BUILD), CV_API_ANUMBER, InterfaceNumber(CV_API_VERSION));
    return 1;
  }
  if (CompareVersions(version, kOldestApiVersion) < 0) {
    trace::Message(line, trace::kLevelError,
                   "Application version %uB%u is earlier than allowable lowest 4.8.",
                   VersionNumber(version), InterfaceNumber(version));
    return 1;
  }
  return 0;
}

}  // namespace vtx::api
