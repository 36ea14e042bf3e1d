#include "sim/default_machine.h"

#include <cstring>
#include <map>

#include "admin.h"
#include "common.h"
#include "fax.h"
#include "sig_det.h"
#include "sig_gen.h"
#include "sim/machine.h"
#include "speech.h"
#include "tele_ctrl.h"

namespace sim {
namespace {

// Facilities a telephony and fax board offers: ADMIN, SPEECH, SIG_DET, SIG_GEN, CALL_SW,
// TELE_CTRL, FAX, HOST_CTRL and ECC.
constexpr uint8_t kBoardFacilities[] = {0x01, 0x02, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0B, 0x12};

// What a telephony and fax board's facilities say they can do: SPEECH formats and features,
// FAX formats and features, the detector's and generator's capabilities, an ADMIN that takes
// the time, answers feature queries and configures the ethernet interface, and a telephony
// controller.
std::map<uint32_t, FacilityCapabilities> BoardCapabilities() {
  return {
      {MILL_FACILITY_ADMIN, {true, {{COMMON_CAPABILITIES_VAR, 0x51}}}},
      {MILL_FACILITY_SPEECH,
       {true, {{SPEECH_CAP_FORMATS_VAR, 0x607FC}, {SPEECH_CAP_FEATURES_VAR, 0xB}}}},
      {MILL_FACILITY_SIG_DET, {true, {{COMMON_CAPABILITIES_VAR, 0x3}}}},
      {MILL_FACILITY_SIG_GEN, {true, {{COMMON_CAPABILITIES_VAR, 0x7}}}},
      {MILL_FACILITY_TELE_CTRL, {true, {{COMMON_CAPABILITIES_VAR, 0x1}}}},
      {MILL_FACILITY_FAX, {true, {{FAX_CAP_FORMATS_VAR, 0x7}, {FAX_CAP_FEATURES_VAR, 0x437}}}},
  };
}

void SetText(char* field, size_t size, const char* text) {
  memset(field, 0, size);
  strncpy(field, text, size - 1);
}

}  // namespace

void MakeBoard(Module& module, const char* name, uint32_t channels, uint32_t ordinal_start) {
  VtxDrvModuleInfoBlock& info = module.info();
  info.num_channels = channels;
  info.bus_type = 1;
  info.hw_type = 0x21;
  info.hw_id = 0x1000 + module.number();
  info.ordinal_start = ordinal_start;
  info.num_ordinals = channels;
  info.num_ordinals_init = channels;
  info.pci_vend_id = 0x1C7A;
  info.pci_dev_id = 0x0400;
  info.pci_sub_vend_id = 0x1C7A;
  info.pci_sub_id = 0x0010 + module.number();
  info.pci_interf_type = 2;
  info.boot_ver_major = 5;
  info.boot_ver_middle = 0;
  info.boot_ver_minor = 2;
  info.boot_ver_build = 17;
  info.boot_ver_auto_num = 1204;
  SetText(info.boot_ver_date, sizeof info.boot_ver_date, "2026-03-14");
  SetText(info.boot_ver_comment, sizeof info.boot_ver_comment, "boot ROM");
  info.pci_mem_start = 0xF0000000u + (module.number() << 20);
  info.pci_mem_size = 0x100000;
  info.pci_irq = 16 + module.number();
  module.SetName(name);
  for (uint8_t facility : kBoardFacilities) module.facilities().insert(facility);
  module.config_specs()[0] = ConfigSpec{channels, "Number of channels"};
  module.config_specs()[1] = ConfigSpec{1, "Telephony interface enabled"};
  module.telephony() = DefaultTelephony(module.number(), channels);
  module.report.capabilities = BoardCapabilities();
}

// The built-in firmware report: versions, capabilities and features.
namespace {

FwVersion Version(uint8_t major, uint8_t middle, uint8_t minor, uint8_t build, uint16_t auto_num,
                  const char* date, const char* comment) {
  return FwVersion{major, middle, minor, build, auto_num, date, comment};
}

// The GANTRY's fax/modem DSPs serve channels in pairs and its echo canceller sits on a DSP of
// its own; the DSP reports come one per CHANNEL_RESET_DONE.
void DescribeGantryFirmware(FirmwareReport& report) {
  report.control_proc = Version(5, 0, 4, 31, 2210, "2026-02-27", "control processor");
  report.dsps = {
      {Version(3, 2, 1, 7, 880, "2025-11-05", "fax/modem DSP"), {0x0F}},
      {Version(2, 1, 0, 4, 412, "2025-09-18", "echo canceller DSP"), {0x10}},
  };
  report.dsp_lists_per_event = 1;
  // Its fax stamps pages from UTC and the host's zone; its ADMIN also resets the telephony
  // critical section.
  report.capabilities[MILL_FACILITY_FAX].tags[1].second = 0x10437;
  report.capabilities[MILL_FACILITY_ADMIN].tags[0].second = 0x53;
  report.features = {"Model$GANTRY-8", "Channels=8", "Fax#T",         "V34#T",
                     "T38#F",          "EchoCanc#T", "MaxRate=33600", "Serial$GT8-004217"};
}

void DescribeCorbelFirmware(FirmwareReport& report) {
  report.control_proc = Version(5, 0, 3, 18, 2175, "2025-12-09", "control processor");
  report.dsps = {{Version(3, 1, 6, 2, 861, "2025-10-21", "fax/modem DSP"), {}}};
  report.features = {"Model$CORBEL-4", "Channels=4", "Fax#T",        "V34#F",
                     "T38#T",          "EchoCanc#T", "MaxRate=14400"};
}

}  // namespace

void BuildDefaultMachine(Machine& machine) {
  MakeBoard(machine.AddModule(2), "GANTRY PCI bus 3, device 0, function 0", 8, 0);
  MakeBoard(machine.AddModule(3), "CORBEL PCI bus 4, device 1, function 0", 4, 8);
  machine.FindModule(3)->info().hw_type = 0x32;
  DescribeGantryFirmware(machine.FindModule(2)->report);
  DescribeCorbelFirmware(machine.FindModule(3)->report);
}

}  // namespace sim
