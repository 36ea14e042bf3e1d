// Arbitrary bytes as a country parameter file. The first two bytes choose the line's country
// code and the ced_timeout and cabs overrides; the rest is the file, written where the loader
// reads it: in memory-backed /dev/shm when there is one, as rewriting a disk file every run is
// slow.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "api/line.h"
#include "lineconfig/country_params.h"
#include "trace/api_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  "/fuzz_country_" + std::to_string(getpid()) + ".cfg";
  static const uint32_t quiet = vtx::trace::ExchangeMask(0);
  (void)quiet;
  if (size < 2) return 0;

  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  fwrite(data + 2, 1, size - 2, file);
  fclose(file);

  VtxLine line;
  vtx::LineSettings& settings = line.config.settings;
  settings = vtx::kDefaultLineSettings;
  snprintf(settings.cv_cparm, sizeof settings.cv_cparm, "%s", path.c_str());
  settings.country_code = data[0];
  settings.ced_timeout = (data[1] & 1) != 0 ? data[1] * 40 : -1;
  settings.cabs = (data[1] & 2) != 0 ? data[1] : -1;
  vtx::SetDefaultCountryParams(&line);
  vtx::LoadCountryParams(&line, nullptr);
  vtx::ApplyCountryOverrides(&line);
  unlink(path.c_str());
  return 0;
}
