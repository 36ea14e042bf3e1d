// The country parameters of a line: the built-in block of the USA, the loader of the country
// parameter file, and the two line settings that override single parameters.
//
// The file is little-endian: a 16-bit record length (parameter bytes per record, at least 202),
// a signed 16-bit record count, then the records, each a 16-bit country code followed by
// record-length bytes. Bytes beyond the first 202 belong to later versions and are skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "api/settings.h"
#include "vtx.h"

namespace vtx {

constexpr uint32_t kUsaCountryCode = 0x10;
// The warning of a country parameter file that does not open, with its name and kUsaCountryCode.
constexpr char kCountryFileMissing[] =
    "Warning: Failed to open country parameter file \"%s\", using USA (%X).";
extern const uint8_t kUsaCountryParams[kCountryParamsLen];

// Positions in the block that the host itself reads or writes.
constexpr size_t kCountryCedTimeout = 25;  // 16-bit, low byte first
constexpr size_t kCountryCabs = 29;
constexpr size_t kCountryCedLock = 157;  // non-zero: ced_timeout does not override

constexpr size_t kCountryFileHeaderLen = 4;
constexpr size_t kCountryRecordHeaderLen = 2;

// Copies the built-in USA block into the line.
void SetDefaultCountryParams(VtxLine* line);

// The file that cv_cparm names: a relative name is taken from the current folder, else from beside
// the user preference file that named it (may be null; found as the line reset finds it), else
// from the folder of the installed configuration files; the name as given when none holds it.
std::string CountryFilePath(const char* cv_cparm, const char* preference_file);

// Reads the record of the line's country_code from the file that cv_cparm names (found as
// above). Returns 0 when the record was found or the code is not in the file, -1 when the file is
// missing, unreadable or incompatible; the block and `reset_status` say the rest.
int LoadCountryParams(VtxLine* line, const char* preference_file);

// The file's readers: a little-endian 16-bit value, and a skip that reads the bytes so that a
// skip past the end of the file fails.
bool ReadCountryU16(FILE* file, uint16_t* value);
bool SkipCountryBytes(FILE* file, size_t count);

// Applies the ced_timeout and cabs settings to the block.
void ApplyCountryOverrides(VtxLine* line);

}  // namespace vtx
