#include "api/module_lookup.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "sim/default_machine.h"
#include "tests/support/simulated_board.h"

namespace {

using vtx::testing::SimulatedBoardTest;

TEST_F(SimulatedBoardTest, LookupMatchesWithoutRegardToCase) {
  EXPECT_EQ(vtx::LookupModule("corbel pci BUS 4, device 1, function 0"), 3);
  EXPECT_EQ(vtx::LookupModule("GANTRY PCI bus 3, device 0, function 0"), 2);
  EXPECT_EQ(VtxAppApiVersion, CV_API_VERSION) << "the page's own version words are set";
}

TEST_F(SimulatedBoardTest, LookupScansTo126InSevenBitModeAndSkipsAbsentModules) {
  sim::MakeBoard(machine().AddModule(127), "VIRTUAL high", 2, 900);
  sim::MakeBoard(machine().AddModule(126), "VIRTUAL edge", 2, 800);
  // A module that does not exist is skipped even when its name would match.
  sim::Module& ghost = machine().AddModule(40);
  ghost.SetName("VIRTUAL ghost");
  ghost.info().exists = 0;
  EXPECT_EQ(vtx::LookupModule("virtual ghost"), -1);
  EXPECT_EQ(machine().RequestCount(VTX_DRV_MODULE_INFO), 125u) << "modules 2 to 126";
  EXPECT_EQ(vtx::LookupModule("VIRTUAL HIGH"), -1);
  EXPECT_EQ(vtx::LookupModule("VIRTUAL EDGE"), 126);
  EXPECT_EQ(machine().OpenConnections(), 0u);

  // Asked directly, the driver knows no module past 126 in this mode.
  VtxModuleInfoArgs high{};
  high.mod_num = 127;
  EXPECT_EQ(VtxModuleInfo(nullptr, &high), 0);
  EXPECT_EQ(high.exists, 0u);
  VtxModuleArgs deactivate{};
  deactivate.mod_num = 127;
  VtxModuleDeactivate(&deactivate);
  EXPECT_FALSE(machine().FindModule(127)->deactivated);
}

TEST_F(SimulatedBoardTest, LookupScansTo254InFullByteMode) {
  VtxDriverVersion version = machine().DriverVersion();
  version.full_byte_address_mode = 1;
  machine().SetDriverVersion(version);
  sim::MakeBoard(machine().AddModule(200), "LINTEL far", 2, 900);
  EXPECT_EQ(vtx::LookupModule("lintel far"), 200);
}

TEST_F(SimulatedBoardTest, LookupFailurePrintsTheDescription) {
  machine().InjectFault(VTX_DRV_MODULE_INFO, sim::Fault{EINVAL, 0});
  testing::internal::CaptureStderr();
  EXPECT_EQ(vtx::LookupModule("anything"), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "VtxModuleInfo: Misc error: Driver ioctl call failed.\n");

  os::SetDriverForTesting(os::MakeDaemonTransport("/nonexistent/socket"));
  testing::internal::CaptureStderr();
  EXPECT_EQ(vtx::LookupModule("anything"), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "VtxModuleInfo: Misc error: Driver open failed - invalid channel/driver incorrectly "
            "installed.\n");
}

}  // namespace
