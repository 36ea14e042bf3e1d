#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "sim/default_machine.h"
#include "tests/support/capture.h"
#include "tests/support/simulated_board.h"
#include "vtx.h"

namespace {

using vtx::testing::SimulatedBoardTest;
using vtx::testing::TraceCapture;

class ModuleQueriesTest : public SimulatedBoardTest {
 protected:
  VtxModuleInfoArgs Info(uint32_t mod_num) {
    VtxModuleInfoArgs info{};
    info.mod_num = mod_num;
    VtxModuleInfo(nullptr, &info);
    return info;
  }
  // A chassis of boards 0x20 to 0x27 of which 0x24 is empty.
  void AddChassis() {
    for (uint8_t m = 0x20; m < 0x28; ++m) {
      if (m != 0x24) sim::MakeBoard(machine().AddModule(m), "TRUSS chassis", 4, 100 + 4 * m);
    }
  }
  std::vector<uint8_t> Deactivated() {
    std::vector<uint8_t> out;
    for (uint8_t m : machine().ModuleNumbers()) {
      if (machine().FindModule(m)->deactivated) out.push_back(m);
    }
    return out;
  }
};

TEST_F(ModuleQueriesTest, ModuleInfoCopiesTheDriverBlock) {
  VtxModuleInfoArgs info = Info(2);
  EXPECT_EQ(info.status, CV_STATUS_OK);
  EXPECT_EQ(info.exists, 1u);
  EXPECT_EQ(info.num_channels, 8u);
  EXPECT_EQ(info.boot_ver_build, 17);
  EXPECT_STREQ(info.boot_ver_date, "2026-03-14");
  EXPECT_EQ(info.name[0], 'G');
  EXPECT_EQ(machine().OpenConnections(), 0u) << "the own connection is closed again";

  VtxModuleInfoArgs absent = Info(0x40);
  EXPECT_EQ(absent.status, CV_STATUS_OK);
  EXPECT_EQ(absent.exists, 0u);
}

TEST_F(ModuleQueriesTest, ModuleInfoFailures) {
  TraceCapture trace(0);
  machine().InjectFault(VTX_DRV_MODULE_INFO, sim::Fault{EINVAL, 0});
  VtxModuleInfoArgs info = Info(2);
  EXPECT_EQ(info.status, CV_STATUS_ERROR);
  EXPECT_EQ(info.line_status, APIERR_DRV_IOCTL_ERR);
  EXPECT_TRUE(trace.Contains("ioctl MODULE_INFO: Invalid argument"));

  VtxDriverVersion version = machine().DriverVersion();
  version.interface_version = 31;
  machine().SetDriverVersion(version);
  info = Info(2);
  EXPECT_EQ(info.line_status, APIERR_DRV_OPEN_ERR) << "a version failure is an open failure here";
}

// Whether call lines carry their detail is the trace's own concern; here, the detail itself.
TEST_F(ModuleQueriesTest, TheDetailOfTheCallLines) {
  TraceCapture detail(0x8, 0x3);
  Info(2);
  EXPECT_EQ(detail.messages().size(), 5u);
  EXPECT_EQ(detail.messages()[0], "VtxModuleInfo: Called (mod_num=0x2)");
  EXPECT_EQ(detail.messages()[4].rfind("VtxModuleInfo: Return (boot_ver_major=5,", 0), 0u);
}

TEST_F(ModuleQueriesTest, ConfigSpecsFoundAndMissing) {
  VtxModuleArgs args{};
  args.mod_num = 2;
  args.config_spec_num = 0;
  EXPECT_EQ(VtxModuleConfigSpecsGet(nullptr, &args), 1);
  EXPECT_EQ(args.config_spec_value, 8u);
  EXPECT_STREQ(args.config_spec_desc, "Number of channels");

  VtxModuleArgs missing{};
  missing.mod_num = 2;
  missing.config_spec_num = 77;
  missing.config_spec_value = 0xABCD;
  strcpy(missing.config_spec_desc, "unchanged");
  EXPECT_EQ(VtxModuleConfigSpecsGet(nullptr, &missing), 0);
  EXPECT_EQ(missing.config_spec_value, 0xABCDu);
  EXPECT_STREQ(missing.config_spec_desc, "unchanged");

  machine().InjectFault(VTX_DRV_MODULE_CONFIG_SPECS, sim::Fault{EIO, 0});
  EXPECT_EQ(VtxModuleConfigSpecsGet(nullptr, &args), -1);
  EXPECT_EQ(args.line_status, APIERR_DRV_IOCTL_ERR);
}

TEST_F(ModuleQueriesTest, CheckAddressAndFacility) {
  VtxModuleArgs args{};
  const uint8_t fax_channel[4] = {0x09, 2, 3, 1};
  memcpy(args.m_addr, fax_channel, 4);
  VtxCheckAddress(nullptr, &args);
  EXPECT_EQ(args.exists, 1u);
  args.m_addr[3] = 4;  // module 3 has four channels, 0 to 3
  VtxCheckAddress(nullptr, &args);
  EXPECT_EQ(args.exists, 0u);
  args.m_addr[0] = 0x13;  // IP_CC: not on this board
  args.m_addr[1] = 1;
  VtxCheckAddress(nullptr, &args);
  EXPECT_EQ(args.exists, 0u);

  // With a line, the facility replaces byte 0 of the line's remote address.
  VtxLine* line = nullptr;
  VtxModuleArgs facility{};
  facility.facility = 0x109;
  EXPECT_EQ(VtxCheckFacility(line, &facility), -1) << "a line is required";
  EXPECT_EQ(facility.line_status, APIERR_BADPARAMETER);
}

TEST_F(ModuleQueriesTest, DeactivationRanges) {
  AddChassis();
  VtxModuleArgs group{};
  group.mod_num = 0x21;
  group.deact_mode = 1;
  EXPECT_EQ(VtxModuleDeactivate(&group), 0);
  EXPECT_EQ(Deactivated(), (std::vector<uint8_t>{0x20, 0x21, 0x22, 0x23, 0x25, 0x26, 0x27}));

  sim::ReplaceEmbeddedMachine(sim::Machine::Default());
  AddChassis();
  VtxModuleArgs single{};
  single.mod_num = 0x21;
  EXPECT_EQ(VtxModuleDeactivate(&single), 0);
  EXPECT_EQ(Deactivated(), std::vector<uint8_t>{0x21});

  // A slot whose module (slot + 1) exists goes alone; else its group of eight from slot*8+24.
  VtxModuleArgs slot{};
  slot.slot_num = 1;
  EXPECT_EQ(VtxModuleDeactivate(&slot), 0);
  EXPECT_TRUE(machine().FindModule(2)->deactivated);
  VtxModuleArgs empty_slot{};
  empty_slot.slot_num = 20;
  EXPECT_EQ(VtxModuleDeactivate(&empty_slot), -1);
  EXPECT_EQ(empty_slot.line_status, APIERR_INVALID_DEST_ADDR);
}

TEST_F(ModuleQueriesTest, DeactivationRefusals) {
  const struct {
    uint32_t mod_num;
    int32_t slot_num;
  } bad[] = {{0x05, 2}, {0, 31}, {0, 0}, {0, -1}};
  for (auto c : bad) {
    VtxModuleArgs args{};
    args.mod_num = c.mod_num;
    args.slot_num = c.slot_num;
    EXPECT_EQ(VtxModuleDeactivate(&args), -1);
    EXPECT_EQ(args.line_status, APIERR_BADPARAMETER) << c.mod_num << " " << c.slot_num;
  }
  machine().FindModule(3)->info().bus_type = 3;
  VtxModuleArgs fixed{};
  fixed.mod_num = 3;
  EXPECT_EQ(VtxModuleDeactivate(&fixed), -1);
  EXPECT_EQ(fixed.line_status, APIERR_BOARDCAPABILITY);
  EXPECT_FALSE(machine().FindModule(3)->deactivated);

  // The driver's status of the deactivation becomes the result.
  machine().InjectFault(VTX_DRV_MODULE_DEACTIVATE, sim::Fault{0, GDI_STS_INUSE});
  VtxModuleArgs busy{};
  busy.mod_num = 2;
  EXPECT_EQ(VtxModuleDeactivate(&busy), -1);
  EXPECT_EQ(busy.line_status, APIERR_BUSY);
}

}  // namespace
