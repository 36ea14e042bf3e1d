// Loading the country parameter file and applying the overrides of the line settings.
#include "lineconfig/country_params.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "api/line.h"
#include "api/reset_status.h"
#include "lineconfig/file_limits.h"
#include "os/config_files.h"
#include "os/file.h"
#include "trace/api_log.h"

namespace vtx {
namespace {

class CountryFile {
 public:
  CountryFile(VtxLine* line, const std::string& path)
      : line_(line),
        path_(path),
        file_(os::OpenRegularFile(path.c_str(), true, kCountryFileLimit, error_)),
        missing_(file_ == nullptr && errno == ENOENT) {}
  ~CountryFile() {
    if (file_ != nullptr) os::FileClose(file_);
  }
  CountryFile(const CountryFile&) = delete;
  CountryFile& operator=(const CountryFile&) = delete;

  int Load();

 private:
  int Fail(uint32_t level, const char* format) {
    trace::Message(line_, level, format, path_.c_str(), kUsaCountryCode);
    line_->reset_status |= kResetCountryFile;
    return -1;
  }

  VtxLine* line_;
  const std::string path_;
  std::string error_;
  FILE* file_;
  bool missing_;
};

int CountryFile::Load() {
  if (file_ == nullptr) {
    // Why, when it is there but may not be read, is no file or is too large to be one.
    if (!missing_) trace::Message(line_, trace::kLevelWarning, "Warning: %s", error_.c_str());
    return Fail(trace::kLevelWarning, kCountryFileMissing);
  }
  trace::Message(line_, trace::kLevelInfo, "Reading country parameter file \"%s\"", path_.c_str());
  uint16_t record_length = 0;
  uint16_t count_field = 0;
  if (!ReadCountryU16(file_, &record_length) || !ReadCountryU16(file_, &count_field)) {
    return Fail(trace::kLevelError,
                "Error: Failed to read country parameter file \"%s\", using USA (%X).");
  }
  if (record_length < kCountryParamsLen) {
    Fail(trace::kLevelError, "Error: Country parameter file %s is incompatible, using USA (%X).");
    trace::Message(line_, trace::kLevelError,
                   "Probably using a file designed for an older API version.");
    return -1;
  }
  if (record_length > kCountryParamsLen) {
    trace::Message(line_, trace::kLevelInfo, "Country parameter file %s compatibility.",
                   path_.c_str());
  }
  // The count is signed: a negative one holds no records.
  const int count = static_cast<int16_t>(count_field);
  const uint32_t wanted = line_->config.settings.country_code;
  const char* read_failure = "Error: Failed to read country parameter file %s, using USA (%X).";
  for (int i = 0; i < count; ++i) {
    uint16_t code = 0;
    if (!ReadCountryU16(file_, &code)) return Fail(trace::kLevelError, read_failure);
    if (code == wanted) {
      if (std::fread(line_->config.country, 1, kCountryParamsLen, file_) != kCountryParamsLen) {
        return Fail(trace::kLevelError, read_failure);
      }
      trace::Message(line_, trace::kLevelInfo, "Country code %X selected.", code);
      return 0;
    }
    if (!SkipCountryBytes(file_, record_length)) return Fail(trace::kLevelError, read_failure);
  }
  trace::Message(line_, trace::kLevelWarning, "Warning: Country code %X not found, using USA (%X).",
                 wanted, kUsaCountryCode);
  line_->reset_status |= kResetCountryCode;
  return 0;
}

}  // namespace

bool ReadCountryU16(FILE* file, uint16_t* value) {
  uint8_t bytes[2];
  if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) return false;
  *value = static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
  return true;
}

bool SkipCountryBytes(FILE* file, size_t count) {
  uint8_t scratch[256];
  while (count > 0) {
    size_t piece = count < sizeof scratch ? count : sizeof scratch;
    if (std::fread(scratch, 1, piece, file) != piece) return false;
    count -= piece;
  }
  return true;
}

int LoadCountryParams(VtxLine* line, const char* preference_file) {
  return CountryFile(line, CountryFilePath(line->config.settings.cv_cparm, preference_file)).Load();
}

std::string CountryFilePath(const char* cv_cparm, const char* preference_file) {
  if (preference_file == nullptr) return os::FindConfigFile(cv_cparm, nullptr);
  return os::FindConfigFile(cv_cparm, os::FindConfigFile(preference_file, nullptr).c_str());
}

void ApplyCountryOverrides(VtxLine* line) {
  const LineSettings& settings = line->config.settings;
  uint8_t* country = line->config.country;
  if (country[kCountryCedLock] == 0 && settings.ced_timeout >= 0) {
    country[kCountryCedTimeout] = static_cast<uint8_t>(settings.ced_timeout);
    country[kCountryCedTimeout + 1] = static_cast<uint8_t>(settings.ced_timeout >> 8);
  }
  if (settings.cabs >= 0) country[kCountryCabs] = static_cast<uint8_t>(settings.cabs);
}

}  // namespace vtx
