#include "sim/machine_file.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "cfg/cfg_configuration.h"
#include "os/file.h"
#include "packet/codes.h"
#include "sim/default_machine.h"
#include "sim/machine_file_capabilities.h"
#include "sim/machine_file_maintenance.h"
#include "sim/machine_file_telephony.h"
#include "sim/machine_file_values.h"
#include "sim/tone_firmware.h"

namespace sim {
namespace {

using vtx::cfg::cfgConfiguration;
using vtx::cfg::cfgItem;
using vtx::cfg::cfgMessage;
using vtx::cfg::cfgSection;
using vtx::cfg::cfgTextFile;

// The largest machine file read: a chassis of 253 modules with every section is far smaller.
constexpr uint64_t kMachineFileLimit = 1 << 20;

// A numeric key of a record: where it lives and how large its value may be.
struct NumberKey {
  const char* name;
  size_t offset;
  size_t size;  // 1, 2 or 4 bytes
  uint32_t max;
};

#define INFO_KEY(field, max)                                                                  \
  NumberKey {                                                                                 \
#field, offsetof(VtxDrvModuleInfoBlock, field), sizeof(VtxDrvModuleInfoBlock::field), max \
  }
#define DRIVER_KEY(field, max)                                                      \
  NumberKey {                                                                       \
#field, offsetof(VtxDriverVersion, field), sizeof(VtxDriverVersion::field), max \
  }

const NumberKey kModuleKeys[] = {
    INFO_KEY(exists, 1),
    INFO_KEY(num_channels, 255),
    INFO_KEY(hardware, 1),
    INFO_KEY(bus_type, 0xFFFFFFFF),
    INFO_KEY(hw_type, 0xFFFFFFFF),
    INFO_KEY(hw_id, 0xFFFFFFFF),
    INFO_KEY(ordinal_start, 4047),
    INFO_KEY(num_ordinals, 4048),
    INFO_KEY(num_ordinals_init, 4048),
    INFO_KEY(pci_vend_id, 0xFFFF),
    INFO_KEY(pci_dev_id, 0xFFFF),
    INFO_KEY(pci_sub_vend_id, 0xFFFF),
    INFO_KEY(pci_sub_id, 0xFFFF),
    INFO_KEY(pci_interf_type, 0xFF),
    INFO_KEY(boot_ver_major, 0xFF),
    INFO_KEY(boot_ver_middle, 0xFF),
    INFO_KEY(boot_ver_minor, 0xFF),
    INFO_KEY(boot_ver_build, 0xFF),
    INFO_KEY(boot_ver_auto_num, 0xFFFF),
    INFO_KEY(pci_runtime_start, 0xFFFFFFFF),
    INFO_KEY(pci_runtime_size, 0xFFFFFFFF),
    INFO_KEY(pci_mem_start, 0xFFFFFFFF),
    INFO_KEY(pci_mem_size, 0xFFFFFFFF),
    INFO_KEY(pci_modctrl_start, 0xFFFFFFFF),
    INFO_KEY(pci_modctrl_size, 0xFFFFFFFF),
    INFO_KEY(pci_io_start, 0xFFFFFFFF),
    INFO_KEY(pci_io_size, 0xFFFFFFFF),
    INFO_KEY(pci_irq, 0xFFFFFFFF),
    INFO_KEY(hw_info, 0xFFFFFFFF),
};

const NumberKey kDriverKeys[] = {
    DRIVER_KEY(driver_version, 0x7FFFFFFF), DRIVER_KEY(driver_build, 0x7FFFFFFF),
    DRIVER_KEY(pipr_version, 0x7FFFFFFF),   DRIVER_KEY(interface_version, 0x7FFFFFFF),
    DRIVER_KEY(full_byte_address_mode, 1),
};

// A log beyond this many commands would let the simulator's memory grow too far.
constexpr uint32_t kMaxCommandLogSize = 100000;

#undef INFO_KEY
#undef DRIVER_KEY

// Collects the problems of one file, to be told in line order.
class Problems {
 public:
  explicit Problems(std::string path) : path_(std::move(path)) {}
  void Add(int line, const std::string& text) { found_.emplace_back(line, text); }
  bool any() const { return !found_.empty(); }
  std::string text() {
    std::stable_sort(found_.begin(), found_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string out;
    for (const auto& [line, text] : found_) {
      out += path_ + (line > 0 ? ":" + std::to_string(line) : "") + ": " + text + "\n";
    }
    return out;
  }

 private:
  std::string path_;
  std::vector<std::pair<int, std::string>> found_;
};

int OnParserMessage(int kind, const cfgMessage* message) {
  if (kind & (cfgConfiguration::kWarning | cfgConfiguration::kError)) {
    static_cast<Problems*>(message->userData)->Add(message->line, message->text);
  }
  return 0;
}

void StoreNumber(void* record, const NumberKey& key, uint32_t value) {
  auto* field = static_cast<uint8_t*>(record) + key.offset;
  if (key.size == 1) *field = static_cast<uint8_t>(value);
  if (key.size == 2) {
    uint16_t v = static_cast<uint16_t>(value);
    memcpy(field, &v, 2);
  }
  if (key.size == 4) memcpy(field, &value, 4);
}

template <size_t N>
const NumberKey* FindKey(const NumberKey (&keys)[N], std::string_view name) {
  for (const NumberKey& key : keys) {
    if (name == key.name) return &key;
  }
  return nullptr;
}

template <size_t N>
void ApplyNumber(const NumberKey (&keys)[N], const cfgItem& item, void* record,
                 const std::string& where, Problems& problems) {
  const NumberKey* key = FindKey(keys, item.name().view());
  uint32_t value = 0;
  if (key == nullptr) {
    problems.Add(item.lineNumber(),
                 "expected a key of " + where + ", got '" + std::string(item.name().view()) + "'");
  } else if (!ParseNumber(item.value().view(), key->max, value)) {
    problems.Add(item.lineNumber(), "expected a number from 0 to " + std::to_string(key->max) +
                                        " for " + key->name + ", got '" +
                                        std::string(item.value().view()) + "'");
  } else {
    StoreNumber(record, *key, value);
  }
}

void ApplyText(const cfgItem& item, char* field, size_t size, Problems& problems) {
  if (item.value().length() >= size) {
    problems.Add(item.lineNumber(), "expected at most " + std::to_string(size - 1) +
                                        " characters for " + std::string(item.name().view()) +
                                        ", got " + std::to_string(item.value().length()));
    return;
  }
  memset(field, 0, size);
  memcpy(field, item.value().c_str(), item.value().length());
}

int FacilityNumber(const std::string& name) {
  for (const auto& facility : vtx::codes::Facilities()) {
    if (strcasecmp(facility.name, name.c_str()) == 0) return static_cast<int>(facility.number);
  }
  return -1;
}

void ApplyFacilities(const cfgItem& item, Module& module, Problems& problems) {
  module.facilities().clear();
  std::istringstream words{std::string(item.value().view())};
  std::string word;
  while (words >> word) {
    int code = FacilityNumber(word);
    if (code < 0) {
      problems.Add(item.lineNumber(),
                   "expected a facility name (ADMIN, SPEECH, FAX, ...), got '" + word + "'");
    } else {
      module.facilities().insert(static_cast<uint8_t>(code));
    }
  }
}

void LoadConfigSpec(const cfgSection& section, uint32_t number, Module& module,
                    Problems& problems) {
  ConfigSpec spec;
  for (size_t i = 0; i < section.itemCount(); ++i) {
    const cfgItem& item = section.item(i);
    std::string_view key = item.name().view();
    if (key == "value") {
      if (!ParseNumber(item.value().view(), 0xFFFFFFFF, spec.value)) {
        problems.Add(item.lineNumber(),
                     "expected a number for value, got '" + std::string(item.value().view()) + "'");
      }
    } else if (key == "description") {
      spec.description = std::string(item.value().view()).substr(0, 51);
    } else {
      problems.Add(item.lineNumber(),
                   "expected value or description, got '" + std::string(key) + "'");
    }
  }
  module.config_specs()[number] = spec;
}

// What the firmware reports at a channel reset and in its feature list: module keys
// dsp_lists_per_event, reset_delay_ms and feature_delay_ms; subsections
// [module.N/control_proc_ver] and [module.N/dsp_ver.I] with ver_major, ver_middle, ver_minor,
// ver_build, ver_auto_num, ver_date, ver_comment (and load_mask, hexadecimal bytes, for a DSP);
// [module.N/feature.I] with text, the feature as the firmware sends it.

struct ReportKey {
  const char* name;
  uint32_t FirmwareReport::*field;
};
const ReportKey kReportKeys[] = {
    {"dsp_lists_per_event", &FirmwareReport::dsp_lists_per_event},
    {"reset_delay_ms", &FirmwareReport::reset_delay_ms},
    {"feature_delay_ms", &FirmwareReport::feature_delay_ms},
};

// A module key of the firmware report; false when the key is not one.
bool ApplyReportKey(const cfgItem& item, FirmwareReport& report, Problems& problems) {
  for (const ReportKey& key : kReportKeys) {
    if (item.name().view() != key.name) continue;
    if (!ParseNumber(item.value().view(), 0xFFFFFFFF, report.*key.field)) {
      problems.Add(item.lineNumber(), std::string("expected a number for ") + key.name + ", got '" +
                                          std::string(item.value().view()) + "'");
    }
    return true;
  }
  return false;
}

bool ParseMask(std::string_view text, std::vector<uint8_t>& mask) {
  std::istringstream words{std::string(text)};
  std::string word;
  mask.clear();
  while (words >> word) {
    char* end = nullptr;
    unsigned long value = strtoul(word.c_str(), &end, 16);
    if (*end != '\0' || value > 0xFF) return false;
    mask.push_back(static_cast<uint8_t>(value));
  }
  return true;
}

void LoadVersion(const cfgSection& section, FwVersion& version, std::vector<uint8_t>* mask,
                 Problems& problems) {
  const NumberKey kVersionKeys[] = {
      {"ver_major", 0, 1, 0xFF}, {"ver_middle", 1, 1, 0xFF},     {"ver_minor", 2, 1, 0xFF},
      {"ver_build", 3, 1, 0xFF}, {"ver_auto_num", 4, 2, 0xFFFF},
  };
  uint8_t numbers[6] = {};
  std::string where = "[" + section.path().substr(1) + "]";
  for (size_t i = 0; i < section.itemCount(); ++i) {
    const cfgItem& item = section.item(i);
    std::string_view key = item.name().view();
    std::string value(item.value().view());
    if (key == "ver_date" || key == "ver_comment") {
      const size_t size = key == "ver_date" ? 20 : 50;
      if (value.size() >= size) {
        problems.Add(item.lineNumber(), "expected at most " + std::to_string(size - 1) +
                                            " characters for " + std::string(key));
      }
      (key == "ver_date" ? version.date : version.comment) = value.substr(0, size - 1);
    } else if (key == "load_mask" && mask != nullptr) {
      if (!ParseMask(value, *mask)) {
        problems.Add(item.lineNumber(),
                     "expected hexadecimal bytes for load_mask, got '" + value + "'");
      }
    } else {
      ApplyNumber(kVersionKeys, item, numbers, where, problems);
    }
  }
  version.major = numbers[0];
  version.middle = numbers[1];
  version.minor = numbers[2];
  version.build = numbers[3];
  memcpy(&version.auto_num, numbers + 4, sizeof version.auto_num);
}

void LoadFeature(const cfgSection& section, FirmwareReport& report, Problems& problems) {
  const cfgItem* text = section.findItem("text");
  if (text == nullptr || section.itemCount() != 1) {
    problems.Add(section.lineNumber(), "expected text alone in [" + section.path().substr(1) + "]");
    return;
  }
  report.features.emplace_back(text->value().view());
}

// A subsection of the firmware report; false when the subsection is not one.
bool LoadReportSection(const cfgSection& sub, Module& module, Problems& problems) {
  std::string_view name = sub.name().view();
  uint32_t index = 0;
  if (name == "control_proc_ver") {
    LoadVersion(sub, module.report.control_proc, nullptr, problems);
  } else if (NumberedName(name, "dsp_ver", 0xFFFF, index)) {
    DspVersion dsp;
    LoadVersion(sub, dsp.version, &dsp.load_mask, problems);
    module.report.dsps.push_back(std::move(dsp));
  } else if (NumberedName(name, "feature", 0xFFFF, index)) {
    LoadFeature(sub, module.report, problems);
  } else {
    return LoadCapabilitySection(
        sub, module, [&problems](int line, const std::string& text) { problems.Add(line, text); });
  }
  return true;
}

// The ISDN firmware version "MAJOR.MIDDLE.MINOR" that the module's control channel reports.
void ApplyIsdnVersion(const cfgItem& item, CallControlFirmware& firmware, Problems& problems) {
  unsigned parts[3];
  char end = 0;
  if (sscanf(item.value().c_str(), "%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &end) != 3 ||
      parts[0] > 0xFF || parts[1] > 0xFF || parts[2] > 0xFF) {
    problems.Add(item.lineNumber(), "expected isdn_version as MAJOR.MIDDLE.MINOR (0 to 255 each)");
    return;
  }
  firmware.isdn_version[0] = static_cast<uint8_t>(parts[2]);
  firmware.isdn_version[1] = static_cast<uint8_t>(parts[1]);
  firmware.isdn_version[2] = static_cast<uint8_t>(parts[0]);
}

// How many of the commands it received the module keeps in its log.
void ApplyCommandLogSize(const cfgItem& item, Module& module, Problems& problems) {
  uint32_t size = 0;
  if (!ParseNumber(item.value().view(), kMaxCommandLogSize, size)) {
    problems.Add(item.lineNumber(),
                 "expected a number from 0 to " + std::to_string(kMaxCommandLogSize) +
                     " for command_log, got '" + std::string(item.value().view()) + "'");
    return;
  }
  module.SetCommandLogSize(size);
}

void LoadModule(const cfgSection& section, uint8_t number, uint32_t& next_ordinal, Machine& machine,
                Problems& problems) {
  const cfgItem* name = section.findItem("name");
  const cfgItem* channels = section.findItem("num_channels");
  uint32_t count = 0;
  if (name == nullptr || channels == nullptr ||
      !ParseNumber(channels->value().view(), 255, count)) {
    problems.Add(section.lineNumber(), "expected name and num_channels (0 to 255) in [" +
                                           std::string(section.name().view()) + "]");
    return;
  }
  Module& module = machine.AddModule(number);
  MakeBoard(module, name->value().c_str(), count, next_ordinal);
  module.config_specs().clear();
  std::string where = "[" + std::string(section.name().view()) + "]";
  for (size_t i = 0; i < section.itemCount(); ++i) {
    const cfgItem& item = section.item(i);
    std::string_view key = item.name().view();
    if (key == "name") {
      if (item.value().length() > 63)
        problems.Add(item.lineNumber(), "expected a name of at most 63 characters");
    } else if (key == "facilities") {
      ApplyFacilities(item, module, problems);
    } else if (key == "boot_ver_date") {
      ApplyText(item, module.info().boot_ver_date, sizeof module.info().boot_ver_date, problems);
    } else if (key == "boot_ver_comment") {
      ApplyText(item, module.info().boot_ver_comment, 51, problems);
    } else if (ApplyReportKey(item, module.report, problems)) {
      // a key of the firmware report
    } else if (key == "isdn_version") {
      ApplyIsdnVersion(item, module.call_control(), problems);
    } else if (key == "command_log") {
      ApplyCommandLogSize(item, module, problems);
    } else {
      ApplyNumber(kModuleKeys, item, &module.info(), where, problems);
    }
  }
  const ProblemReport report = [&problems](int line, const std::string& text) {
    problems.Add(line, text);
  };
  for (size_t i = 0; i < section.subsectionCount(); ++i) {
    const cfgSection& sub = section.subsection(i);
    uint32_t spec = 0;
    if (NumberedName(sub.name().view(), "config_spec", 0xFFFFFFFF, spec)) {
      LoadConfigSpec(sub, spec, module, problems);
    } else if (!LoadReportSection(sub, module, problems) &&
               !LoadTelephonySection(sub, module.telephony(), report) &&
               !LoadMaintenanceSection(sub, module, report) &&
               !LoadTonesSection(sub, module, report)) {
      problems.Add(sub.lineNumber(),
                   "expected [" + std::string(section.name().view()) +
                       "/config_spec.N], [.../control_proc_ver], "
                       "[.../dsp_ver.N], [.../feature.N], [.../capabilities.F], [.../maintenance], "
                       "[.../tones.C] or a telephony subsection, got [" +
                       sub.path().substr(1) + "]");
    }
  }
  next_ordinal = module.info().ordinal_start + module.info().num_ordinals;
}

}  // namespace

bool LoadMachineFile(const std::string& path, Machine& machine, std::string& error) {
  Problems problems(path);
  cfgConfiguration config(1, cfgConfiguration::kWarning | cfgConfiguration::kError, OnParserMessage,
                          &problems, '=', false);
  std::string content, why;
  if (!os::ReadRegularFile(path.c_str(), kMachineFileLimit, content, why)) {
    error = why + "\n";
    return false;
  }
  cfgTextFile file(path.c_str());
  file.assign(content);
  config.parse(file);
  const cfgSection& root = config.root();
  for (size_t i = 0; i < root.itemCount(); ++i) {
    problems.Add(root.item(i).lineNumber(), "expected a section header, got key '" +
                                                std::string(root.item(i).name().view()) + "'");
  }
  uint32_t next_ordinal = 0;
  for (size_t i = 0; i < root.subsectionCount(); ++i) {
    const cfgSection& section = root.subsection(i);
    std::string_view name = section.name().view();
    uint32_t number = 0;
    if (name == "driver") {
      VtxDriverVersion version = machine.DriverVersion();
      for (size_t k = 0; k < section.itemCount(); ++k) {
        ApplyNumber(kDriverKeys, section.item(k), &version, "[driver]", problems);
      }
      machine.SetDriverVersion(version);
    } else if (NumberedName(name, "module", 254, number) && number >= 2) {
      LoadModule(section, static_cast<uint8_t>(number), next_ordinal, machine, problems);
    } else {
      problems.Add(
          section.lineNumber(),
          "expected [driver] or [module.N] with N from 2 to 254, got [" + std::string(name) + "]");
    }
  }
  error = problems.text();
  return !problems.any();
}

}  // namespace sim
