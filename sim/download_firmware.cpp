// The firmware download mode of a simulated module: START, raw DATA, FINISH, and the image
// checked when it ends.
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "admin.h"
#include "sim/maintenance.h"
#include "sim/module.h"
#include "vtx.h"

namespace sim {
namespace {

constexpr uint32_t kTypeControlProc = 2;
constexpr size_t kCrcSize = 4;

bool CrcMatches(const std::vector<uint8_t>& image) {
  if (image.size() < kCrcSize) return false;
  const size_t body = image.size() - kCrcSize;
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), image.data(), static_cast<uInt>(body));
  uint32_t stored = 0;
  for (size_t i = 0; i < kCrcSize; ++i) stored |= static_cast<uint32_t>(image[body + i]) << (8 * i);
  return stored == static_cast<uint32_t>(crc);
}

// The version named by the image's first line, if it names one.
bool ImageVersion(const std::vector<uint8_t>& image, FwVersion& version) {
  const size_t mark = sizeof kImageVersionMark - 1;
  if (image.size() < mark || memcmp(image.data(), kImageVersionMark, mark) != 0) return false;
  size_t end = mark;
  while (end < image.size() && end < mark + 120 && image[end] != '\n') ++end;
  const std::string line(image.begin() + mark, image.begin() + end);
  unsigned numbers[4] = {};
  int used = 0;
  if (sscanf(line.c_str(), "%u.%u.%u.%u%n", &numbers[0], &numbers[1], &numbers[2], &numbers[3],
             &used) != 4) {
    return false;
  }
  for (unsigned n : numbers) {
    if (n > 0xFF) return false;
  }
  version = FwVersion{};
  version.major = static_cast<uint8_t>(numbers[0]);
  version.middle = static_cast<uint8_t>(numbers[1]);
  version.minor = static_cast<uint8_t>(numbers[2]);
  version.build = static_cast<uint8_t>(numbers[3]);
  std::string rest = line.substr(static_cast<size_t>(used));
  rest.erase(0, rest.find_first_not_of(' '));
  const size_t space = rest.find(' ');
  version.date = rest.substr(0, space).substr(0, 19);
  if (space != std::string::npos) version.comment = rest.substr(space + 1).substr(0, 49);
  return true;
}

uint32_t Check(const FirmwareDownloadState& download) {
  if (download.forced_result != 0) return download.forced_result;
  if (download.check_crc && !CrcMatches(download.image)) return kImageCrcError;
  if (download.control_proc_reset && download.type_given && download.type == kTypeControlProc) {
    return kImageResetNeeded;
  }
  return 0;
}

void Start(FirmwareDownloadState& download, const FwCommand& cmd, FwAnswer& answer) {
  const FwTag* type = cmd.Find(ADMIN_FIRMWARE_DL_TYPE_VAR);
  const FwTag* dest = cmd.Find(ADMIN_FIRMWARE_DESTINATION_VAR);
  download.downloading = true;
  download.type_given = type != nullptr;
  download.type = type != nullptr ? type->Value() : 0;
  download.dest = dest != nullptr ? dest->Value() : 0;
  download.image.clear();
  download.data_commands = 0;
  answer.Packet().Event(ADMIN_FW_DOWNLOAD_STARTED_EVENT);
}

void Finish(Module& module, FwAnswer& answer) {
  FirmwareDownloadState& download = module.maintenance().download;
  const uint32_t result = download.downloading ? Check(download) : kImageMiscError;
  if (download.downloading && (result == 0 || result == kImageResetNeeded)) {
    ++download.installed;
    FwVersion version;
    if (ImageVersion(download.image, version)) module.report.control_proc = version;
  }
  download.downloading = false;
  answer.Packet().Event(ADMIN_FW_DOWNLOAD_FINISHED_EVENT,
                        {FwTag::Int(ADMIN_DOWNLOAD_RESULT_VAR, MILL_TYPE_BYTE, result)});
}

}  // namespace

void InstallDownloadFirmware(Module& module) {
  Module* m = &module;
  FirmwareTable& table = module.firmware();
  table.Set(MILL_FACILITY_ADMIN, MILL_VERB_START, ADMIN_FIRMWARE_DOWNLOAD_MODE,
            [m](const FwCommand& cmd, FwAnswer& answer) {
              Start(m->maintenance().download, cmd, answer);
            });
  table.Set(MILL_FACILITY_ADMIN, MILL_VERB_DATA, kAnyCode, [m](const FwCommand& cmd, FwAnswer&) {
    FirmwareDownloadState& download = m->maintenance().download;
    if (!download.downloading) return;
    download.image.insert(download.image.end(), cmd.data.begin(), cmd.data.end());
    ++download.data_commands;
  });
  table.Set(MILL_FACILITY_ADMIN, MILL_VERB_FINISH, ADMIN_FIRMWARE_DOWNLOAD_MODE,
            [m](const FwCommand&, FwAnswer& answer) { Finish(*m, answer); });
}

}  // namespace sim
