// The board maintenance subcommands of tarrow, run as programs against a served machine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "admin.h"
#include "tests/support/firmware_image.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/served_machine.h"

namespace {

using ::testing::HasSubstr;
using Json = nlohmann::json;
using ::testing::Not;

class BoardCommands : public vtx::testing::ServedMachineTest {
 protected:
  // An image file naming `version`, ending with its CRC-32 unless `corrupt`.
  std::string Image(const char* name, const std::string& version, size_t size, bool corrupt) {
    std::vector<uint8_t> image = vtx::testing::FirmwareImage(size, version);
    if (corrupt) image[size / 2] ^= 0x01;
    return dir_.Write(name, image);
  }

  vtx::testing::TempDir dir_;
};

TEST_F(BoardCommands, FirmwareDownloadChangesTheVersionOrSaysWhyNot) {
  std::string out;
  const std::string good = Image("good.img", "6.3.0.2 2026-12-02 update", 120000, false);
  ASSERT_EQ(Run("firmware 2 " + good, &out), 0) << err_;
  EXPECT_THAT(out, HasSubstr("module 2: firmware image " + good + " of 120000 bytes downloaded"));
  EXPECT_THAT(err_, HasSubstr("56336/120000 bytes (46%)\n"));
  EXPECT_THAT(err_, HasSubstr("120000/120000 bytes (100%)\n"));
  ASSERT_EQ(Run("versions 2", &out), 0) << err_;
  EXPECT_THAT(out, HasSubstr("control      6.3.0.2      0        2026-12-02 update"));

  const std::string bad = Image("bad.img", "6.4.0.0", 60000, true);
  EXPECT_EQ(Run("firmware 2 " + bad, &out), 1);
  EXPECT_THAT(err_, HasSubstr("tarrow firmware: refused with result 5: CRC error"));
  EXPECT_THAT(out, Not(HasSubstr("downloaded")));
  ASSERT_EQ(Run("versions 2", &out), 0) << err_;
  EXPECT_THAT(out, HasSubstr("control      6.3.0.2"));

  EXPECT_EQ(Run("firmware 2 " + dir_.Path("missing.img"), &out), 1);
  EXPECT_THAT(err_, HasSubstr("missing.img: No such file or directory"));
  EXPECT_EQ(Run("firmware 2 " + good + " --type 2", &out), 1) << "the module's bus takes type 3";
  EXPECT_THAT(err_, HasSubstr("does not have a required capability"));
  EXPECT_EQ(Run("firmware 2 " + good + " --type 4", &out), 2);
  EXPECT_EQ(Run("firmware 2", &out), 2);
  WhileStopped([](sim::Module& m) { EXPECT_EQ(m.maintenance().download.installed, 1u); });
}

TEST_F(BoardCommands, BoardStateAndTemperatureAreShownAfterTheSettings) {
  std::string out;
  ASSERT_EQ(Run("board 2", &out), 0) << err_;
  EXPECT_EQ(out, "module       2\nstate        0\ntemperature  42 C\n");
  ASSERT_EQ(Run("board 2 --state 3 --temperature-threshold -5 --json", &out), 0) << err_;
  EXPECT_EQ(Json::parse(out),
            Json::parse(R"({"simulated": true, "module": 2, "state": 3, "temperature": 42})"));
  WhileStopped([](sim::Module& m) {
    const auto thresh = m.variables().find({MILL_FACILITY_ADMIN, sim::kModuleItself, 0x33});
    ASSERT_NE(thresh, m.variables().end());
    EXPECT_EQ(thresh->second.data, (std::vector<uint8_t>{0xFB, 0xFF}));
  });
  EXPECT_EQ(Run("board 2 --state 256", &out), 2);
  EXPECT_EQ(Run("board 2 --temperature-threshold warm", &out), 2);
  EXPECT_EQ(Run("board 9", &out), 1);
}

TEST_F(BoardCommands, BoardTestPrintsEachStatusAndFailsOnAFailedTest) {
  std::string out;
  ASSERT_EQ(Run("board-test 2 --iterations 2 --mask 0x3", &out), 0) << err_;
  EXPECT_EQ(out,
            "series started\ntest 0x00000001 passed\ntest 0x00000002 passed\n"
            "test 0x00000001 passed\ntest 0x00000002 passed\nseries ended\n"
            "2 runs, 4 statuses, 0 failed\n");
  WhileStopped([](sim::Module& m) { m.maintenance().test.failure_mask = 0x2; });
  EXPECT_EQ(Run("board-test 2 --mask 0x2 --json", &out), 1);
  const Json run = Json::parse(out);
  EXPECT_EQ(run["events"][1], Json::parse(R"({"series": null, "test_mask": 2, "status_type": 1,
      "error_info": 2, "failed": true})"));
  EXPECT_EQ(run["events"][2]["series"], "ended");
  EXPECT_EQ(run["statuses"], 1);
  EXPECT_EQ(run["failures"], 1);
  WhileStopped(
      [](sim::Module& m) { EXPECT_EQ(m.reset_count, 4u) << "before and after each series"; });
  EXPECT_EQ(Run("board-test 2 --iterations x", &out), 2);
}

TEST_F(BoardCommands, SignalingSetsAndWatchesATimeSlot) {
  // An E1 trunk with its signalling bits.
  WhileStopped([](sim::Module& m) { m.telephony().hardware[1].port_types = 0x80; });
  std::string out;
  ASSERT_EQ(Run("signaling 2 1 1 5 --set 7 --duration 100 --then 3", &out), 0) << err_;
  EXPECT_EQ(out, "unit 1 stream 1 slot 5: state 0x7 set for 100 ms, then 0x3\n");
  ASSERT_EQ(Run("signaling 2 1 1 5 --monitor --once", &out), 0) << err_;
  EXPECT_EQ(out, "unit 1 stream 1 slot 5: state 0x3\n");

  // Watching until interrupted shows the slot's state, then stops the monitor.
  ASSERT_EQ(Run("signaling 2 1 1 5 --monitor", &out, "timeout --preserve-status -s INT 1"), 0)
      << err_;
  EXPECT_EQ(out, "unit 1 stream 1 slot 5: state 0x3\n");
  WhileStopped([](sim::Module& m) { EXPECT_TRUE(m.maintenance().signaling.monitors.empty()); });

  WhileStopped([](sim::Module& m) { m.maintenance().signaling.report_on_start = false; });
  EXPECT_EQ(Run("signaling 2 1 1 5 --monitor --once", &out), 1);
  EXPECT_THAT(err_, HasSubstr("no state reported within a second"));
  WhileStopped([](sim::Module& m) { m.maintenance().signaling.set_result = 1; });
  EXPECT_EQ(Run("signaling 2 1 1 5 --set 1", &out), 1);
  EXPECT_THAT(err_, HasSubstr("refused with result 1: Port disabled"));
  EXPECT_EQ(Run("signaling 2 1 1 5 --set 1 --duration 5", &out), 2);
  EXPECT_EQ(Run("signaling 2 1 1 5", &out), 2);
  WhileStopped([](sim::Module& m) { m.telephony().hardware[1].port_types = 0x1; });
  EXPECT_EQ(Run("signaling 2 1 1 5 --set 1", &out), 1);
  EXPECT_THAT(err_, HasSubstr("does not have a required capability"));
}

}  // namespace
