#include "tests/callctrl/start/start_fixture.h"

namespace vtx::callctrl::testing {
namespace {

TEST_F(StartTest, AModuleZeroSectionStartsEveryPresentModule) {
  Configure("[module.0]\nset_api = vtx\n");
  ASSERT_EQ(Init(), 1) << Trace();
  EXPECT_EQ(request_.status, CV_STATUS_OK);
  EXPECT_TRUE(CallCtrlRunning());
  EXPECT_TRUE(Traced("Board module 0x2 Initialised OK")) << Trace();
  EXPECT_TRUE(Traced("Board module 0x3 Initialised OK")) << Trace();
  EXPECT_EQ(machine().Names().count("ECC_FACILITY_MODULE_2"), 1u);
  EXPECT_EQ(machine().Names().count("ECC_FACILITY_MODULE_3"), 1u);
}

}  // namespace
}  // namespace vtx::callctrl::testing
