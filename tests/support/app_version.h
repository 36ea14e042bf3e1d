// Sets the application's version words for a test and restores them afterwards.
#pragma once

#include <cstdint>

#include "vtx.h"

namespace vtx::testing {

class AppVersion {
 public:
  AppVersion(uint32_t api_version, uint32_t build = CV_API_BUILD,
             uint32_t a_number = CV_API_ANUMBER)
      : saved_{VtxAppApiVersion, VtxAppBuild, VtxAppANumber} {
    VtxAppApiVersion = api_version;
    VtxAppBuild = build;
    VtxAppANumber = a_number;
  }
  ~AppVersion() {
    VtxAppApiVersion = saved_[0];
    VtxAppBuild = saved_[1];
    VtxAppANumber = saved_[2];
  }
  AppVersion(const AppVersion&) = delete;
  AppVersion& operator=(const AppVersion&) = delete;

 private:
  uint32_t saved_[3];
};

}  // namespace vtx::testing
