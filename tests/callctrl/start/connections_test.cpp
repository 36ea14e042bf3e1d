#include "tests/callctrl/start/start_fixture.h"

namespace vtx::callctrl::testing {
namespace {

TEST_F(StartTest, ConnectionsFileLinesAreMadeReportedOrPassedOver) {
  const std::string file = Write("connections.cfg",
                                 "# line port 0 to host channel 0\n"
                                 "\n"
                                 "connect 0 1 0 1 0 0 0 0 0\n"
                                 "connect 1 2\n"
                                 "connect 0 1 77 1 0 0 0 0 0\n"
                                 "link 0 1 1 1 1 0 1 0 1\n"
                                 "connect 0 1 1 1 1 0 1 0 1\n");
  Configure("[module.2]\nconnections = " + file + "\n");
  ASSERT_EQ(Init(), 1) << Trace();
  EXPECT_TRUE(Traced("Cannot parse connection file " + file + ", line 4. Module 0x2")) << Trace();
  EXPECT_TRUE(Traced("Connection failed (status 2) file " + file + ", line 5. Module 0x2"));
  EXPECT_TRUE(Traced("Cannot parse connection file " + file + ", line 6. Module 0x2"));
  EXPECT_FALSE(Traced(", line 1.")) << "a comment is no connection";
  const auto& made = machine().FindModule(2)->telephony().connections;
  ASSERT_EQ(made.size(), 2u) << "a refused line does not end the file";
  EXPECT_EQ(made[0].source.port.unit, 0u);
  EXPECT_EQ(made[1].source.port.unit, 1u);
  EXPECT_TRUE(Traced("Board module 0x2 Initialised OK"));
}

TEST_F(StartTest, AMissingConnectionsFileFailsOnlyItsModule) {
  const std::string missing = dir_.Path("absent.cfg");
  Configure("[module.2]\nconnections = " + missing + "\n[module.3]\n");
  ASSERT_EQ(Init(), 1);
  EXPECT_TRUE(
      Traced("Error making connections, cannot find connections file " + missing + ". Module 0x2"))
      << Trace();
  EXPECT_TRUE(Traced("Unable to make autoconnect module 0x2, skipping..."));
  EXPECT_TRUE(Traced("Error starting board module 0x2"));
  EXPECT_TRUE(Traced("Board module 0x3 Initialised OK"));
  EXPECT_EQ(machine().Names().count("ECC_FACILITY_MODULE_2"), 0u) << "its name is given up";
}

}  // namespace
}  // namespace vtx::callctrl::testing
