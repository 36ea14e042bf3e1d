#include "lineconfig/firmware_report.h"

#include <cstring>

#include "api/line.h"
#include "trace/api_log.h"

namespace vtx {
namespace {

bool NumbersSet(const FirmwareVersion& v) {
  return v.major != 0 || v.middle != 0 || v.minor != 0 || v.build != 0;
}

// The date field need not be terminated.
struct DateText {
  explicit DateText(const FirmwareVersion& v) {
    memcpy(text, v.date, sizeof v.date);
    text[sizeof v.date] = '\0';
  }
  char text[sizeof(FirmwareVersion::date) + 1];
};

void TracePart(const VtxLine* line, const char* label, const FirmwareVersion& v) {
  if (!NumbersSet(v)) return;
  trace::Message(line, trace::kLevelInfo, "  %s %u.%u.%u Build %u A%u %s", label, v.major, v.middle,
                 v.minor, v.build, v.auto_num, DateText(v).text);
}

}  // namespace

void TraceFirmwareReport(const VtxLine* line, bool available) {
  if (!available) {
    trace::Message(line, trace::kLevelInfo, "Firmware version info not available.");
    return;
  }
  trace::Message(line, trace::kLevelInfo, "Firmware version info:");
  TracePart(line, "Boot ROM: ", line->firmware.boot_rom_ver);
  TracePart(line, "Ctrl Proc:", line->firmware.control_proc_ver);
  for (int32_t i = 0; i < line->firmware.dsp_count && i < VTX_MAX_DSPS; ++i) {
    const FirmwareVersion& v = line->firmware.dsp_ver[i];
    if (!NumbersSet(v) && v.date[0] == '\0') continue;
    trace::Message(line, trace::kLevelInfo, "  DSP %2u:    %u.%u.%u Build %u A%u %s",
                   static_cast<unsigned>(i), v.major, v.middle, v.minor, v.build, v.auto_num,
                   DateText(v).text);
  }
}

}  // namespace vtx
