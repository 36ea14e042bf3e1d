// The telephony subcommands of tarrow, run as programs against a simulated machine that the test
// serves as a daemon, so that what one run connects or sets the next run sees.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tele_ctrl.h"
#include "tests/tools/served_machine.h"
#include "vtx.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using Json = nlohmann::json;

class TelephCommands : public vtx::testing::ServedMachineTest {
 protected:
  void Prepare(sim::Module& board) override {
    board.telephony().hardware[1].port_types = 0x205;
    board.telephony().params_save_result = 4;  // a telephony parameter save: "EEPROM written"
    board.SetCommandLogSize(4096);             // the counts span every run of a test
  }
  size_t Requests(uint32_t code) {
    size_t count = 0;
    for (const auto& cmd : machine_->FindModule(2)->CommandLog()) {
      count += cmd.facility == MILL_FACILITY_TELE_CTRL && cmd.verb == MILL_VERB_REQUEST &&
               cmd.code == code;
    }
    return count;
  }
};

TEST_F(TelephCommands, PortsAndInterfaceSettingsAsTheModuleReportsThem) {
  std::string out;
  ASSERT_EQ(Run("ports 2", &out), 0) << err_;
  EXPECT_THAT(out, HasSubstr("HARDWARE PORTS\nUNIT  TYPE       NAMES\n0     0x00000001 0x1\n"
                             "1     0x00000205 0x1 mvip e1_isdn\n"));
  ASSERT_EQ(Run("ports 2 --json", &out), 0) << err_;
  EXPECT_EQ(Json::parse(out)["hardware"][1],
            Json::parse(R"({"unit": 1, "port_type": 517, "names": ["0x1", "mvip", "e1_isdn"]})"));

  ASSERT_EQ(Run("net 2", &out), 0) << err_;
  EXPECT_THAT(out, HasSubstr("address       192.0.2.2\nnetmask       255.255.255.0\n"));
  EXPECT_THAT(out, HasSubstr("ARP timeout   60000 ms\nMAC           00:1C:7A:00:02:01\n"));
  ASSERT_EQ(Run("net 2 1 --json", &out), 0) << err_;
  EXPECT_EQ(Json::parse(out)["speed"], "auto");
  EXPECT_EQ(Json::parse(out)["duplex"], "half");
  EXPECT_EQ(Run("net 2 2", &out), 1) << "the module has one interface";
  EXPECT_THAT(err_, HasSubstr("tarrow net: module 2: no settings of interface 2\n"));

  for (const char* bad : {"--duplex triple", "--address 10.0.0.300", "--arp-timeout -1"}) {
    EXPECT_EQ(Run(std::string("net 2 --speed 100 ") + bad, &out), 2) << bad;
    EXPECT_THAT(err_, HasSubstr("tarrow net: expected ")) << bad;
  }
  EXPECT_EQ(Requests(TELE_CTRL_NETWORK_CONFIG_SET_REQUEST), 0u) << "nothing is sent";
  EXPECT_EQ(Run("connect 2 0:4:0:4 1:2:1", &out), 2);
  EXPECT_THAT(err_, HasSubstr("expected CLASS:UNIT:STREAM:SLOT, got \"1:2:1\""));
}

TEST_F(TelephCommands, ConnectListRefuseClearAndSetTheInterface) {
  std::string out;
  ASSERT_EQ(Run("connect 2 0:1:0:1 1:2:1:2", &out), 0) << err_;
  EXPECT_EQ(out, "connected\n");
  ASSERT_EQ(Run("connect 2 3 --ip udptl --remote 198.51.100.9:6000 --t38-max-bit-rate 3", &out), 0)
      << err_;
  EXPECT_EQ(out,
            "connected: udptl unit 0 type 0x0 local 192.0.2.2:16384 remote 198.51.100.9:6000"
            " rtcp local 0.0.0.0:0 remote 0.0.0.0:0\n");

  ASSERT_EQ(Run("connections 2", &out), 0) << err_;
  EXPECT_EQ(out,
            "1: mode 0x0: class 0 unit 1 stream 0 slot 1 type 0x100 -> class 1 unit 2 stream 1 "
            "slot 2 type 0x1\n"
            "2: mode 0x0: class 0 unit 3 stream 0 slot 3 type 0x100 -> udptl unit 0 type 0x0 local "
            "192.0.2.2:16384 remote 198.51.100.9:6000 rtcp local 0.0.0.0:0 remote 0.0.0.0:0\n");
  ASSERT_EQ(Run("connections 2 --json", &out), 0) << err_;
  const Json listed = Json::parse(out)["connections"];
  EXPECT_EQ(listed[0]["source"], Json::parse(R"({"class": 0, "unit": 1, "stream": 0, "slot": 1,
      "port_type": 256, "local": null, "remote": null, "local_rtcp": null, "remote_rtcp": null})"));
  EXPECT_EQ(listed[1]["destination"]["local"], Json::parse(R"({"address": "192.0.2.2",
      "port": 16384})"));
  EXPECT_EQ(listed[1]["destination"]["remote"], Json::parse(R"({"address": "198.51.100.9",
      "port": 6000})"));
  EXPECT_TRUE(listed[1]["destination"]["slot"].is_null());

  EXPECT_EQ(Run("connect 2 0:4:0:4 1:2:1:2", &out), 1);
  EXPECT_THAT(err_, HasSubstr("tarrow connect: refused with result 9: Slot already assigned\n"));
  EXPECT_EQ(Run("connect 2 3 --ip udptl --t38-udp-ec 5", &out), 1);
  EXPECT_THAT(err_, HasSubstr("tarrow connect: "));

  ASSERT_EQ(Run("disconnect-all 2", &out), 0) << err_;
  ASSERT_EQ(Run("connections 2", &out), 0) << err_;
  EXPECT_EQ(out, "no connections\n");
  ASSERT_EQ(Run("connections 2 --json", &out), 0) << err_;
  EXPECT_EQ(Json::parse(out)["connections"], Json::array());

  ASSERT_EQ(Run("net 2 --address 10.1.2.3 --speed 100 --duplex full --arp-flush --save", &out), 0)
      << err_;
  EXPECT_THAT(out, HasSubstr("address       10.1.2.3\n"));
  EXPECT_THAT(out, HasSubstr("speed         100\nduplex        full\n"));
  EXPECT_EQ(Requests(TELE_CTRL_NETWORK_CONFIG_SAVE_REQUEST), 1u);
  ASSERT_EQ(Run("net 2", &out), 0) << err_;
  EXPECT_THAT(out, HasSubstr("address       10.1.2.3\n"));
}

// Each run is a process of its own: the second finds the telephony configured by the first
// through the board's critical section that the daemon's machine keeps.
TEST_F(TelephCommands, TelephonyIsConfiguredOnceUntilUnlocked) {
  const std::string configure = "telephony 2 --configure " + std::string(TARROW_SOURCE_DIR) +
                                "/callctrl/examples/callctrl.cfg";
  std::string out;
  ASSERT_EQ(Run(configure, &out), 0) << err_;
  EXPECT_THAT(out, HasSubstr("port 1 (channel 3) PORT_TYPE=0x200 LINE_TYPE=0x4"));
  EXPECT_THAT(out, HasSubstr("reset port 7 (channel 9): result 0\n"));
  EXPECT_THAT(out, HasSubstr("module 2: telephony configured\n"));
  EXPECT_EQ(Requests(TELE_CTRL_RESET_CONTROLLER_REQUEST), 8u);

  ASSERT_EQ(Run(configure + " --json", &out), 0) << err_;
  EXPECT_EQ(Json::parse(out)["configured"], true);
  EXPECT_EQ(Json::parse(out)["already_configured"], true);
  EXPECT_THAT(out, Not(HasSubstr("port_command")));
  EXPECT_EQ(Requests(TELE_CTRL_RESET_CONTROLLER_REQUEST), 8u);

  ASSERT_EQ(Run("telephony 2 --unlock", &out), 0) << err_;
  ASSERT_EQ(Run(configure, &out), 0) << err_;
  EXPECT_THAT(out, HasSubstr("module 2: telephony configured\n"));
  EXPECT_EQ(Requests(TELE_CTRL_RESET_CONTROLLER_REQUEST), 16u);

  EXPECT_EQ(Run("telephony 2 --save", &out), 1);
  EXPECT_THAT(err_, HasSubstr("tarrow telephony: refused with result 4: EEPROM written\n"));
  EXPECT_EQ(Run("telephony 2 --save --unlock", &out), 2);
  EXPECT_EQ(Run("telephony 2 --configure /nonexistent/callctrl.cfg", &out), 1);
  EXPECT_THAT(err_, HasSubstr("/nonexistent/callctrl.cfg: not a readable call-control"));
}

}  // namespace
