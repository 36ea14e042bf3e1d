// The telephony and clock configuration of a board module against the simulated machine: what
// each port, clock and reset step sends, and the board's telephony critical section around it.
#include "callctrl/telephony/telephony_config.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>

#include "admin.h"
#include "api/line.h"
#include "call_sw.h"
#include "tele_ctrl.h"
#include "tests/support/capture.h"
#include "tests/support/simulated_board.h"
#include "tests/support/temp_dir.h"

namespace {

using ::testing::ElementsAre;
using ::testing::Pair;
using vtx::callctrl::ConfigureTelephony;
using vtx::callctrl::ModuleConfigRecord;
using vtx::testing::TraceCapture;

constexpr uint8_t kEcc = 0x12;
constexpr uint32_t kMvipBus = 0x4, kH100Bus = 0x20;

class TelephonyConfigTest : public vtx::testing::SimulatedBoardTest {
 protected:
  void SetUp() override {
    SimulatedBoardTest::SetUp();
    line_ = Admin();
    ASSERT_NE(line_, nullptr);
    record_.module_number = 2;
    record_.clock_mode = 1;    // master
    record_.clock_source = 1;  // trunka
    record_.master_ref_fallback = 10;
    record_.bus_speed = 2;
    record_.pcm_law = 1;
  }
  void TearDown() override {
    for (VtxLine* line : lines_) {
      VtxLineArgs args{};
      VtxLineDetach(line, &args);
    }
    SimulatedBoardTest::TearDown();
  }
  // A session on module 2's call-control facility, as start-up holds it.
  VtxLine* Admin() {
    VtxLine* line = AttachSession(1, 2, kEcc);
    if (line != nullptr) lines_.push_back(line);
    return line;
  }
  sim::Module& board() { return *machine().FindModule(2); }
  void Port(uint32_t index, int32_t config) { record_.ports[index - 1].port_config = config; }
  bool Configure(std::vector<uint32_t> port_types, uint32_t board_type = 1,
                 VtxLine* line = nullptr) {
    board().ClearCommandLog();
    return ConfigureTelephony(line != nullptr ? line : line_, record_, port_types.data(),
                              static_cast<uint32_t>(port_types.size()), board_type);
  }
  std::vector<sim::FwCommand> Sent(uint32_t facility, uint32_t verb, uint32_t code) {
    return vtx::testing::Received(board(), facility, verb, code);
  }
  std::vector<sim::FwCommand> PortCommands() {
    return Sent(MILL_FACILITY_TELE_CTRL, MILL_VERB_SET, 0);
  }
  // The value of TELE_CTRL variable `id` as the port commands and clock variables left it on
  // `channel` (-1 when never set).
  int64_t Variable(uint32_t channel, uint32_t id) {
    auto found = board().variables().find({MILL_FACILITY_TELE_CTRL, channel, id});
    return found == board().variables().end() ? -1 : found->second.Value();
  }
  // The clock variables the run set, by channel, in order (port commands left out).
  std::vector<std::pair<uint32_t, uint32_t>> ClockConfigs() {
    std::vector<std::pair<uint32_t, uint32_t>> found;
    for (const auto& cmd : PortCommands()) {
      const sim::FwTag* clk = cmd.Find(TELE_CTRL_CLK_CONFIG_VAR);
      if (cmd.tags.size() == 1 && clk != nullptr) found.emplace_back(cmd.address[3], clk->Value());
    }
    return found;
  }
  const sim::CriticalSection& Section() { return board().critical_sections()[1]; }

  VtxLine* line_ = nullptr;
  std::vector<VtxLine*> lines_;
  ModuleConfigRecord record_{};
};

TEST_F(TelephonyConfigTest, SectionConfiguredOnceUntilTheTelephonyIsReset) {
  Port(1, vtx::callctrl::kPortE1Isdn);
  ASSERT_TRUE(Configure({0, 0x200, 0x200}));
  EXPECT_EQ(PortCommands().size(), 3u);
  EXPECT_EQ(
      Sent(MILL_FACILITY_TELE_CTRL, MILL_VERB_REQUEST, TELE_CTRL_RESET_CONTROLLER_REQUEST).size(),
      3u);
  EXPECT_FALSE(Section().taken);
  EXPECT_EQ(Section().mark, 1u);

  // Another start-up, on another session, finds it configured and sends nothing.
  TraceCapture trace;
  ASSERT_TRUE(Configure({0, 0x200, 0x200}, 1, Admin()));
  EXPECT_TRUE(PortCommands().empty());
  EXPECT_TRUE(trace.Contains("Telephony already configured, module 0x2"));
  EXPECT_TRUE(trace.Contains("Telephony configured OK, module 0x2"));
  EXPECT_FALSE(Section().taken);

  vtx::SetCapability(line_, 89);
  vtx::SetCapability(line_, 77);
  VtxTelephArgs reset{};
  VtxTelephReset(line_, &reset);
  ASSERT_EQ(reset.status, CV_STATUS_OK);
  ASSERT_TRUE(Configure({0, 0x200, 0x200}));
  EXPECT_EQ(PortCommands().size(), 3u);
}

TEST_F(TelephonyConfigTest, SectionHeldByAnEndedProcessIsAnErrorAndNothingIsSent) {
  machine().SetTimeScale(0.001);
  VtxLine* other = Admin();
  ASSERT_TRUE(Configure({0}, 1, other));
  board().critical_sections()[1] = {true, other->session, 0, {}};
  TraceCapture trace;
  EXPECT_FALSE(Configure({0, 0x200}));
  EXPECT_TRUE(trace.Contains("Error getting telephony mutex, module 0x2"));
  EXPECT_TRUE(PortCommands().empty());
  EXPECT_TRUE(Section().waiting.empty());  // the release gave up the place in the queue
}

struct PortCase {
  const char* name;
  int32_t config;
  void (*fill)(vtx::callctrl::PortConfigRecord&);
  std::map<uint32_t, uint32_t> tags;
};

TEST_F(TelephonyConfigTest, EachPortTypeSendsItsTags) {
  using namespace vtx::callctrl;
  const std::map<uint32_t, uint32_t> common = {{19, 1}, {11, 255}, {8, 1}};
  const PortCase cases[] = {
      {"t1_robbed_bit d4",
       kPortT1RobbedBit,
       [](PortConfigRecord& p) {
         p.protocol.t1_robbed_bit.line_type = 3;
         p.protocol.t1_robbed_bit.line_build_out = 2;
         p.protocol.t1_robbed_bit.line_coding = 2;
       },
       {{20, 0x40}, {5, 3}, {13, 2}, {7, 2}, {10, 2}, {9, 3}}},
      {"e1_isdn crc",
       kPortE1Isdn,
       [](PortConfigRecord& p) {
         p.protocol.e1_isdn.crc = 1;
         p.protocol.e1_isdn.line_impedance = 1;
         p.protocol.e1_isdn.line_coding = 3;
       },
       {{20, 0x200}, {5, 4}, {13, 1}, {7, 3}, {9, 4}}},
      {"e1_isdn no crc",
       kPortE1Isdn,
       [](PortConfigRecord& p) {
         p.protocol.e1_isdn.line_impedance = 0;
         p.protocol.e1_isdn.line_coding = 5;
       },
       {{20, 0x200}, {5, 5}, {13, 0}, {7, 5}, {9, 4}}},
      {"bri", kPortBri, [](PortConfigRecord&) {}, {{20, 0x800}, {5, 4}, {13, 0}, {7, 3}, {9, 4}}},
      {"analog", kPortAnalog, [](PortConfigRecord&) {}, {{20, 0x1}, {5, 0x1000}, {13, 0}, {9, 3}}},
      {"e1_r2_cas no crc",
       kPortE1R2Cas,
       [](PortConfigRecord&) {},
       {{20, 0x80}, {5, 7}, {13, 0}, {7, 0}, {9, 3}}},
  };
  for (const PortCase& c : cases) {
    SCOPED_TRACE(c.name);
    board().critical_sections().clear();
    record_.ports[0] = {};
    record_.ports[0].port_config = c.config;
    c.fill(record_.ports[0]);
    ASSERT_TRUE(Configure({0, 0x1}));
    const auto commands = PortCommands();
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[1].address[1], 2);  // port 1 on channel 3
    EXPECT_EQ(commands[1].address[3], 3);
    std::map<uint32_t, uint32_t> sent;
    for (const auto& tag : commands[1].tags) sent[tag.id] = tag.Value();
    std::map<uint32_t, uint32_t> expected = common;
    expected.insert(c.tags.begin(), c.tags.end());
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(commands[1].Find(20)->type, MILL_TYPE_LONG);
  }
  // The bus interface: inactive, or an H.100 one in MVIP compatibility.
  std::map<uint32_t, uint32_t> bus;
  const auto last = PortCommands();
  for (const auto& tag : last[0].tags) bus[tag.id] = tag.Value();
  EXPECT_EQ(bus, (std::map<uint32_t, uint32_t>{
                     {20, 0x1000}, {5, 0x1000}, {13, 0}, {19, 1}, {11, 255}, {8, 1}}));
  EXPECT_EQ(last[0].Find(5)->type, MILL_TYPE_SHORT);
  board().critical_sections().clear();
  record_.clock_compatibility = 1;
  ASSERT_TRUE(Configure({kH100Bus}));
  ASSERT_FALSE(PortCommands().empty());
  EXPECT_EQ(PortCommands()[0].Find(20)->Value(), 0x8000u);
}

TEST_F(TelephonyConfigTest, UnknownPortConfigurationIsRefusedBeforeAnythingIsSent) {
  Port(2, 12);
  TraceCapture trace;
  EXPECT_FALSE(Configure({0, 0x200, 0x200}));
  EXPECT_TRUE(board().CommandLog().empty());
  EXPECT_TRUE(trace.Contains("Error configuring telephony, port 2, module 0x2"));
}

TEST_F(TelephonyConfigTest, MvipClocksForMasterAndSlaveAndNoSecondMaster) {
  Port(1, vtx::callctrl::kPortT1Isdn);
  Port(3, vtx::callctrl::kPortT1Isdn);
  record_.sec8k = 1;
  ASSERT_TRUE(Configure({kMvipBus, 0x100, 0, 0x100}));
  EXPECT_EQ(Variable(2, TELE_CTRL_BUS_CLK_VAR), 0);
  EXPECT_EQ(Variable(2, TELE_CTRL_MVIP_SEC8K_VAR), 1);
  EXPECT_THAT(ClockConfigs(), ElementsAre(Pair(3, 1), Pair(5, 2)));

  board().critical_sections().clear();
  record_.clock_mode = 0;  // slave
  ASSERT_TRUE(Configure({kMvipBus, 0x100, 0, 0x100}));
  EXPECT_EQ(Variable(2, TELE_CTRL_BUS_CLK_VAR), 1);
  EXPECT_THAT(ClockConfigs(), ElementsAre(Pair(3, 2), Pair(5, 2)));

  board().critical_sections().clear();
  record_.clock_mode = 2;  // second_master
  TraceCapture trace;
  EXPECT_FALSE(Configure({kMvipBus, 0x100}));
  EXPECT_TRUE(trace.Contains("Invalid clock_mode, module 0x2"));
  EXPECT_TRUE(trace.Contains("Error configuring clocks, module 0x2"));
  EXPECT_FALSE(trace.Contains("Telephony configured OK"));
  EXPECT_FALSE(Section().taken);
  EXPECT_EQ(Section().mark, 1u);
}

TEST_F(TelephonyConfigTest, H100ClocksTakeTheReferenceAndFallbackTrunks) {
  for (uint32_t port = 1; port <= 4; ++port) Port(port, vtx::callctrl::kPortE1Isdn);
  record_.clock_mode = 2;           // second_master is a master on this bus
  record_.clock_source = 3;         // trunkc
  record_.master_ref_fallback = 0;  // trunka
  record_.master_drive = 1;
  record_.bus_speed = 8;
  board().telephony().connections.push_back({});
  ASSERT_TRUE(Configure({kH100Bus, 0x200, 0x200, 0x200, 0x200, 0}));
  EXPECT_EQ(
      Sent(MILL_FACILITY_CALL_SW, MILL_VERB_REQUEST, CALL_SW_CLEAR_CONNECTIONS_REQUEST).size(), 1u);
  EXPECT_TRUE(board().telephony().connections.empty());
  EXPECT_EQ(Variable(2, TELE_CTRL_BUS_CLK_VAR), 0);
  EXPECT_EQ(Variable(2, TELE_CTRL_H110_MASTER_DRIVE_VAR), 1);
  EXPECT_EQ(Variable(2, TELE_CTRL_H110_MASTER_REF_VAR), 2);
  EXPECT_EQ(Variable(2, TELE_CTRL_H110_MASTER_REF_FALLBK_VAR), 0);
  EXPECT_EQ(Variable(2, TELE_CTRL_BUS_SPEED_VAR), 8);
  // Ports 1 and 3 drive the bus; 2, 4 and the inactive port 5 follow it.
  EXPECT_THAT(ClockConfigs(),
              ElementsAre(Pair(3, 1), Pair(4, 2), Pair(5, 1), Pair(6, 2), Pair(7, 2)));

  board().critical_sections().clear();
  record_.clock_source = 9;  // netref1
  TraceCapture trace;
  EXPECT_FALSE(Configure({kH100Bus, 0x200}));
  EXPECT_TRUE(trace.Contains("Invalid clock_source, module 0x2"));
  EXPECT_FALSE(Section().taken);

  // A HALVARD with a bus takes its clock from the bus, whatever trunk is named.
  board().critical_sections().clear();
  record_.clock_source = 3;
  ASSERT_TRUE(Configure({kH100Bus, 0x200}, vtx::callctrl::kBoardHalvardBus));
  EXPECT_EQ(Variable(2, TELE_CTRL_H110_MASTER_REF_VAR), 128);
}

TEST_F(TelephonyConfigTest, FailedPortCommandSkipsClocksAndResetButReleasesTheSection) {
  Port(1, vtx::callctrl::kPortE1Isdn);
  std::vector<uint32_t> types = {kMvipBus, 0x200};
  sim::Machine* m = &machine();
  const auto observer = [m](const vtx::callctrl::TelephonyAction& action) {
    if (action.kind == vtx::callctrl::TelephonyAction::kEthernet) {
      m->InjectFault(VTX_DRV_MSG_SEND, {EIO, 0, false});
    }
  };
  TraceCapture trace;
  board().ClearCommandLog();
  EXPECT_FALSE(ConfigureTelephony(line_, record_, types.data(), 2, 1, observer));
  EXPECT_TRUE(trace.Contains("Error configuring telephony, port 0, module 0x2"));
  EXPECT_TRUE(PortCommands().empty());
  EXPECT_TRUE(
      Sent(MILL_FACILITY_TELE_CTRL, MILL_VERB_REQUEST, TELE_CTRL_RESET_CONTROLLER_REQUEST).empty());
  EXPECT_EQ(Sent(MILL_FACILITY_ADMIN, MILL_VERB_REQUEST, ADMIN_CRIT_SEC_RELEASE_REQUEST).size(),
            1u);
  EXPECT_FALSE(Section().taken);
}

TEST_F(TelephonyConfigTest, ControllerResetWithAResultFails) {
  board().telephony().hardware[1].reset_result = 7;
  TraceCapture trace;
  EXPECT_FALSE(Configure({0, 0x1, 0x1}));
  EXPECT_TRUE(trace.Contains("Error reseting telephony, module 0x2"));
  // The reset stops at the port that failed.
  EXPECT_EQ(
      Sent(MILL_FACILITY_TELE_CTRL, MILL_VERB_REQUEST, TELE_CTRL_RESET_CONTROLLER_REQUEST).size(),
      2u);
}

TEST_F(TelephonyConfigTest, EthernetOneIsSetAndItsFailureIsOnlyNoted) {
  vtx::SetCapability(line_, 70);
  auto& e = record_.ethernet[0];
  strcpy(e.ip_address, "192.0.2.77");
  strcpy(e.ip_netmask, "255.255.0.0");
  strcpy(e.ip_gateway, "192.0.2.254");
  e.ethernet_duplex = 2;
  e.ip_arp_timeout = 20;
  ASSERT_TRUE(Configure({0}));
  const sim::NetInterface& net = board().telephony().interfaces[0];
  EXPECT_EQ(net.address[3], 77);
  EXPECT_EQ(net.netmask[1], 255);
  EXPECT_EQ(net.gateway[3], 254);
  EXPECT_EQ(net.duplex, 2u);

  board().critical_sections().clear();
  e.ethernet_duplex = 0;  // no duplex the interface takes
  TraceCapture trace;
  EXPECT_TRUE(Configure({0}));
  EXPECT_TRUE(trace.Contains("Error Configuring Ethernet Port for module 2"));
}

TEST_F(TelephonyConfigTest, PcpmTableIsStoredOrItsFileProblemsTraced) {
  vtx::testing::TempDir dir;
  const std::string good = dir.Path("pcpm.txt"), bad = dir.Path("bad.txt");
  std::ofstream(good) << "# tones\ntone 1 350 440 0 0\ntone 2 480 620 500 500\n";
  std::ofstream(bad) << "tone 1 350 440 0 0\n\ntone 2 9000 620 500 500\n";
  vtx::SetCapability(line_, 66);
  strcpy(line_->config.settings.pcpm_table, good.c_str());
  TraceCapture trace;
  ASSERT_TRUE(Configure({0}));
  EXPECT_TRUE(trace.Contains("Loading PCPM table from file " + good + "."));
  ASSERT_EQ(board().telephony().pcpm_table.size(), 2u);
  EXPECT_EQ(board().telephony().pcpm_table[1],
            (std::vector<uint8_t>{2, 0, 0xE0, 1, 0x6C, 2, 0xF4, 1, 0xF4, 1}));

  board().critical_sections().clear();
  strcpy(line_->config.settings.pcpm_table, bad.c_str());
  trace.Clear();
  ASSERT_TRUE(Configure({0, 0x1}));
  EXPECT_TRUE(trace.Contains("Ferrolib: " + bad +
                             ":3: expected a number from 200 to 3400 for FREQ1, got '9000'"));
  EXPECT_TRUE(trace.Contains("Error 22 loading PCPM table from file " + bad + "."));
  EXPECT_EQ(board().telephony().pcpm_table.size(), 2u);  // the stored table stays
  EXPECT_EQ(
      Sent(MILL_FACILITY_TELE_CTRL, MILL_VERB_REQUEST, TELE_CTRL_RESET_CONTROLLER_REQUEST).size(),
      2u);

  board().critical_sections().clear();
  board().telephony().pcpm_load_result = 3;
  strcpy(line_->config.settings.pcpm_table, good.c_str());
  trace.Clear();
  ASSERT_TRUE(Configure({0}));
  EXPECT_TRUE(trace.Contains("Error 3 storing PCPM table read from file " + good + "."));
}

}  // namespace
