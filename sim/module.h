// One simulated board module: its identity as the driver reports it, the facilities it offers,
// its configuration specifications, and what was done to it.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "sim/call_control_firmware.h"
#include "sim/fax_firmware.h"
#include "sim/firmware.h"
#include "sim/maintenance.h"
#include "sim/port_message_firmware.h"
#include "sim/telephony.h"
#include "sim/telephony_control_firmware.h"
#include "sim/tone_firmware.h"
#include "vtx.h"

namespace sim {

// A firmware version as a CHANNEL_RESET_DONE reports it.
struct FwVersion {
  uint8_t major = 0, middle = 0, minor = 0, build = 0;
  uint16_t auto_num = 0;
  std::string date;     // at most 19 characters
  std::string comment;  // at most 49 characters
};

// One DSP version list: the version and the DSP slots it applies to (bit j of byte k is slot
// 8k + j); without a mask it is reported for the first DSP.
struct DspVersion {
  FwVersion version;
  std::vector<uint8_t> load_mask;
};

// What one facility answers to GET_CAPABILITIES: a CAPABILITIES_LIST of Long tags (tag id,
// value) in this order, or, with `answers` false, nothing at all.
struct FacilityCapabilities {
  bool answers = true;
  std::vector<std::pair<uint32_t, uint32_t>> tags;
  bool operator==(const FacilityCapabilities& other) const {
    return answers == other.answers && tags == other.tags;
  }
};

// What the firmware tells about itself at a channel reset, in its capability lists and in its
// feature list.
struct FirmwareReport {
  FwVersion control_proc;
  std::vector<DspVersion> dsps;
  uint32_t dsp_lists_per_event = 0;   // > 0: DSP lists spread over events joined by CONTINUATION
  std::vector<std::string> features;  // feature texts: key, type character ('#', '$', '='), value
  // By facility number; a facility without an entry answers an empty list.
  std::map<uint32_t, FacilityCapabilities> capabilities;
  uint32_t reset_delay_ms = 0;    // each CHANNEL_RESET_DONE comes this late
  uint32_t feature_delay_ms = 0;  // each FTRL_FEATURE_LIST comes this late
};

// The owner of a firmware variable: one channel of the module (its unit number) or, for the
// commands addressed to the module as a whole, kModuleItself.
constexpr uint32_t kModuleItself = 0xFFFFFFFF;
uint32_t ChannelOf(const FwCommand& command);

// A firmware variable's place: facility, owner and tag id.
struct VariableKey {
  uint32_t facility = 0;
  uint32_t channel = kModuleItself;
  uint32_t id = 0;
  bool operator<(const VariableKey& other) const {
    return std::tie(facility, channel, id) < std::tie(other.facility, other.channel, other.id);
  }
};

// A numbered configuration specification of a module (MODULE_CONFIG_SPECS).
struct ConfigSpec {
  uint32_t value = 0;
  std::string description;  // at most 51 characters reach the caller
};

// How many commands a module's log keeps unless its machine file says otherwise.
constexpr size_t kDefaultCommandLogSize = 64;

class Module {
 public:
  explicit Module(uint8_t number);

  uint8_t number() const { return number_; }

  // The module information block as MODULE_INFO returns it (module number, exists and hardware
  // set by the constructor).
  VtxDrvModuleInfoBlock& info() { return info_; }
  const VtxDrvModuleInfoBlock& info() const { return info_; }

  // The module's name, as the device's location information names it; stored as UTF-16.
  void SetName(const std::string& name);
  std::string Name() const;

  // Facilities the module offers; ADDRESS_CHECK and address association find them.
  std::set<uint8_t>& facilities() { return facilities_; }
  const std::set<uint8_t>& facilities() const { return facilities_; }

  std::map<uint32_t, ConfigSpec>& config_specs() { return config_specs_; }

  // Firmware behaviour; the constructor installs the healthy defaults (sim/default_firmware.h).
  FirmwareTable& firmware() { return firmware_; }
  // Firmware variables by facility, owner and tag id: SET stores them, GET answers from them.
  std::map<VariableKey, FwTag>& variables() { return variables_; }
  // The values a variable has before any SET, by facility and tag id, the same on every channel
  // and on the module; a variable without one reads as a Long 0.
  std::map<std::pair<uint32_t, uint32_t>, FwTag>& built_in_variables() { return built_in_; }
  // What a GET_RSP carries besides the variables asked for: `get_rsp_extra_tags` go before
  // them in every answer, and each entry of `get_rsp_before` is one GET_RSP event with those
  // tags only, sent ahead of the answer (consumed by the next GET).
  std::vector<FwTag> get_rsp_extra_tags;
  std::vector<std::vector<FwTag>> get_rsp_before;

  // The telephony hardware, switch and network: filled by MakeBoard and the machine file, kept
  // by the switch and network firmware.
  Telephony& telephony() { return telephony_; }
  // The board's critical sections by id (sim/telephony_control_firmware.h); the machine keeps
  // them for every process it serves.
  CriticalSections& critical_sections() { return critical_sections_; }

  // The last commands the module received, oldest first (safe to read while the machine runs).
  // The log keeps at most CommandLogSize() of them, so that a simulator left running stays the
  // same size; its slots keep their buffers, so logging allocates nothing once they are warm.
  std::vector<FwCommand> CommandLog() const;
  void ClearCommandLog();
  void LogCommand(const FwCommand& command);
  size_t CommandLogSize() const;
  void SetCommandLogSize(size_t size);  // empties the log

  // Reply faults: every answer is delayed by `reply_delay_ms`; the next `drop_replies` answers
  // are lost.
  uint32_t reply_delay_ms = 0;
  uint32_t drop_replies = 0;

  // What the firmware reports at a channel reset and in its feature list.
  FirmwareReport report;
  // The FAX facility's state (sim/fax_firmware.h): font store, download, aborts.
  FaxState& fax() { return fax_; }
  // The ISDN control channel and board notification (sim/call_control_firmware.h).
  CallControlFirmware& call_control() { return call_control_; }
  // The port messages the module's ports were last given (sim/port_message_firmware.h).
  PortMessages& port_messages() { return port_messages_; }
  // Firmware images, board test, notifications and signalling (sim/maintenance.h).
  Maintenance& maintenance() { return maintenance_; }
  // What each channel hears once tone detection starts (sim/tone_firmware.h).
  ChannelTones& heard_tones() { return heard_tones_; }

  // What the driver did to the module.
  bool deactivated = false;
  uint32_t reset_count = 0;
  std::vector<uint32_t> reconfig_values;

 private:
  uint8_t number_;
  VtxDrvModuleInfoBlock info_{};
  std::set<uint8_t> facilities_;
  std::map<uint32_t, ConfigSpec> config_specs_;
  FirmwareTable firmware_;
  Telephony telephony_;
  CriticalSections critical_sections_;
  std::map<VariableKey, FwTag> variables_;
  std::map<std::pair<uint32_t, uint32_t>, FwTag> built_in_;
  FaxState fax_;  // fax
  Maintenance maintenance_;
  CallControlFirmware call_control_;
  PortMessages port_messages_;
  ChannelTones heard_tones_;
  mutable std::mutex log_lock_;
  std::vector<FwCommand> log_;  // a ring of slots, filled up to log_size_
  size_t log_size_;
  size_t log_next_ = 0;   // the slot the next command goes to
  size_t log_count_ = 0;  // commands kept, at most log_size_
};

}  // namespace sim
