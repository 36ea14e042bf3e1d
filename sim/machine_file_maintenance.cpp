#include "sim/machine_file_maintenance.h"

#include <cstdlib>
#include <string>

#include "admin.h"
#include "sim/maintenance.h"
#include "sim/module.h"
#include "vtx.h"

namespace sim {
namespace {

using vtx::cfg::cfgItem;

constexpr long kLowestTemperature = -32768;
constexpr long kHighestTemperature = 32767;

bool ParseTemperature(const std::string& text, int32_t& out) {
  char* end = nullptr;
  const long value = strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < kLowestTemperature || value > kHighestTemperature) {
    return false;
  }
  out = static_cast<int32_t>(value);
  return true;
}

void ApplyKey(const cfgItem& item, Module& module, const ProblemReport& report) {
  const std::string key(item.name().view());
  const std::string value(item.value().view());
  FirmwareDownloadState& download = module.maintenance().download;
  uint32_t number = 0;
  int32_t celsius = 0;
  if (key == "image_check") {
    if (value == "crc32" || value == "none") {
      download.check_crc = value == "crc32";
    } else {
      report(item.lineNumber(), "expected none or crc32 for image_check, got '" + value + "'");
    }
  } else if (key == "control_proc_reset") {
    if (ParseNumber(value, 1, number)) {
      download.control_proc_reset = number == 1;
    } else {
      report(item.lineNumber(), "expected 0 or 1 for control_proc_reset, got '" + value + "'");
    }
  } else if (key == "temperature") {
    if (ParseTemperature(value, celsius)) {
      SetBoardTemperature(module, celsius);
    } else {
      report(item.lineNumber(),
             "expected degrees from -32768 to 32767 for temperature, got '" + value + "'");
    }
  } else if (key == "board_state") {
    if (ParseNumber(value, 0xFF, number)) {
      module.built_in_variables()[{MILL_FACILITY_ADMIN, ADMIN_BOARD_STATE_VAR}] =
          FwTag::Int(ADMIN_BOARD_STATE_VAR, MILL_TYPE_BYTE, number);
    } else {
      report(item.lineNumber(),
             "expected a number from 0 to 255 for board_state, got '" + value + "'");
    }
  } else {
    report(
        item.lineNumber(),
        "expected image_check, control_proc_reset, temperature or board_state, got '" + key + "'");
  }
}

}  // namespace

bool LoadMaintenanceSection(const vtx::cfg::cfgSection& sub, Module& module,
                            const ProblemReport& report) {
  if (sub.name().view() != "maintenance") return false;
  for (size_t i = 0; i < sub.itemCount(); ++i) ApplyKey(sub.item(i), module, report);
  return true;
}

}  // namespace sim
