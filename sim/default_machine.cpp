#include "sim/default_machine.h"

#include <cstring>

#include "sim/machine.h"

namespace sim {
namespace {

// Facilities a telephony and fax board offers: ADMIN, SPEECH, SIG_DET, SIG_GEN, CALL_SW,
// TELE_CTRL, FAX, HOST_CTRL and ECC.
constexpr uint8_t kBoardFacilities[] = {0x01, 0x02, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0B, 0x12};

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
}

void BuildDefaultMachine(Machine& machine) {
  MakeBoard(machine.AddModule(2), "GANTRY PCI bus 3, device 0, function 0", 8, 0);
  MakeBoard(machine.AddModule(3), "CORBEL PCI bus 4, device 1, function 0", 4, 8);
  machine.FindModule(3)->info().hw_type = 0x32;
}

}  // namespace sim
