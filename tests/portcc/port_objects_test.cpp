// The port factory and the port objects: which combinations have an object, what each kind
// reads at initialise, and the port messages the simulated board keeps from a port's start.
#include <gtest/gtest.h>

#include <cstring>

#include "ecc.h"
#include "portcc/file_ports.h"
#include "portcc/port_factory.h"
#include "portcc/port_message.h"
#include "sim/module.h"
#include "tests/portcc/portcc_fixture.h"
#include "tests/support/simulated_board.h"

namespace vtx::testing {
namespace {

using callctrl::CallControlObject;
using callctrl::PortConfigRecord;

TEST(PortFactory, RefusesUnknownCombinationsAndCountsChannelsByKind) {
  EXPECT_EQ(portcc::CreatePortObject(11, 0), nullptr);
  EXPECT_EQ(portcc::CreatePortObject(-1, 0), nullptr);
  EXPECT_EQ(portcc::CreatePortObject(callctrl::kPortMvip, 0x200), nullptr);
  EXPECT_EQ(portcc::CreatePortObject(callctrl::kPortH1x0, portcc::kPortTypeMvip), nullptr);
  EXPECT_EQ(portcc::CreatePortObject(callctrl::kPortE1Isdn, portcc::kPortTypeMvip), nullptr);
  EXPECT_EQ(portcc::CreatePortObject(callctrl::kPortAnalog, portcc::kPortTypeH1x0), nullptr);

  PortConfigRecord record{};
  callctrl::PortInit init;
  init.port = &record;
  init.channel_count = 12;
  const struct {
    int32_t config;
    uint32_t port_type;
    uint32_t channels;
  } kinds[] = {
      {callctrl::kPortInactive, 0x4, 0},  {callctrl::kPortMvip, 0x4, 0},
      {callctrl::kPortH1x0, 0x24, 0},     {callctrl::kPortT1Isdn, 0x100, 24},
      {callctrl::kPortE1Isdn, 0x200, 30}, {callctrl::kPortE1Dpnss, 0x204, 30},
      {callctrl::kPortBri, 0, 2},
  };
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.config);
    std::unique_ptr<CallControlObject> object =
        portcc::CreatePortObject(kind.config, kind.port_type);
    ASSERT_NE(object, nullptr);
    record.port_config = kind.config;
    EXPECT_TRUE(object->Initialise(init));
    EXPECT_EQ(object->ChannelCount(), kind.channels);
    EXPECT_FALSE(object->Initialise(callctrl::IpInit{}));  // not a port's settings
  }
}

class PortObjects : public SimulatedBoardTest {
 protected:
  void SetUp() override {
    SimulatedBoardTest::SetUp();
    admin_ = AttachSession(1, 2, MILL_FACILITY_ECC);
    ASSERT_NE(admin_, nullptr);
    init_.admin_line = admin_;
    init_.port = &record_;
    init_.module_number = 2;
    init_.port_index = 1;
    init_.channel_count = 4;
  }
  void TearDown() override {
    VtxLineArgs args{};
    VtxLineDetach(admin_, &args);
    SimulatedBoardTest::TearDown();
  }
  void Analog(const std::string& protocol, const std::string& coefficients) {
    record_.port_config = callctrl::kPortAnalog;
    snprintf(record_.protocol.analog.protocol_file, 260, "%s", protocol.c_str());
    snprintf(record_.protocol.analog.country, 260, "%s", coefficients.c_str());
  }
  std::vector<uint8_t> Kept(uint32_t port, uint8_t type) {
    return machine().FindModule(2)->port_messages().Last(port, type);
  }

  VtxLine* admin_ = nullptr;
  PortConfigRecord record_{};
  callctrl::PortInit init_;
  ProtocolFiles files_;
};

TEST_F(PortObjects, AnalogPortSendsItsProtocolAndCoefficientsAsTheBoardKeepsThem) {
  std::vector<uint8_t> coefficients(100);
  for (size_t i = 0; i < coefficients.size(); ++i) coefficients[i] = static_cast<uint8_t>(0xA0 + i);
  std::vector<uint8_t> protocol(164, 0x11);
  Analog(files_.Write("analog.pro", ProtocolBytes(5, protocol)),
         files_.Write("uk.coe", ProtocolBytes(2, coefficients)));
  auto port = portcc::CreatePortObject(callctrl::kPortAnalog, 0x1);
  ASSERT_TRUE(port->Initialise(init_));
  EXPECT_EQ(port->ChannelCount(), 4u);
  ASSERT_TRUE(port->Start());

  std::vector<uint8_t> expected(512, 0);
  const uint8_t head[] = {0x01, 203, 0, 0, 0xFF, 0xFF, 0, 0, 0, 1};
  std::memcpy(expected.data(), head, sizeof head);
  const uint8_t sizes[] = {100, 0, 0, 0, 100, 0, 0, 0};
  std::memcpy(expected.data() + 20, sizes, sizeof sizes);
  std::memcpy(expected.data() + 28, coefficients.data(), coefficients.size());
  EXPECT_EQ(Kept(1, 203), expected);

  const std::vector<uint8_t> sent = Kept(1, 198);
  ASSERT_EQ(sent.size(), 512u);
  EXPECT_EQ(sent[0], 1);
  EXPECT_EQ(sent[20], 164);
  EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 28, sent.begin() + 28 + 164), protocol);
  EXPECT_TRUE(Kept(0, 203).empty());  // kept per port
}

TEST_F(PortObjects, AnalogPortRefusesCoefficientsItCannotReadOrSend) {
  const std::string protocol =
      files_.Write("analog.pro", ProtocolBytes(5, std::vector<uint8_t>(164)));
  CcCapture capture;
  Analog(protocol, "/nonexistent/uk.coe");
  EXPECT_FALSE(portcc::CreatePortObject(callctrl::kPortAnalog, 0)->Initialise(init_));
  EXPECT_TRUE(
      capture.Contains("Module 2, Port 1, Error reading coefficient file /nonexistent/uk.coe"));

  // 485 bytes fit the reader's buffer but not a port message.
  capture.Clear();
  Analog(protocol, files_.Write("big.coe", ProtocolBytes(2, std::vector<uint8_t>(485, 1))));
  EXPECT_FALSE(portcc::CreatePortObject(callctrl::kPortAnalog, 0)->Initialise(init_));
  EXPECT_TRUE(capture.Contains(
      "Module 2, Port 1, ERROR : Protocol size 485 exceeds the 484 data bytes of a port message"));
  EXPECT_TRUE(capture.Contains("Module 2, Port 1, Error reading coefficient file"));

  // At most 484 bytes: the message is full to its last byte.
  std::vector<uint8_t> full(484, 0x5A);
  Analog(protocol, files_.Write("full.coe", ProtocolBytes(2, full)));
  auto port = portcc::CreatePortObject(callctrl::kPortAnalog, 0);
  ASSERT_TRUE(port->Initialise(init_));
  ASSERT_TRUE(static_cast<portcc::AnalogPort&>(*port).SendCoefficients(0x0102));
  const std::vector<uint8_t> sent = Kept(1, 203);
  ASSERT_EQ(sent.size(), 512u);
  EXPECT_EQ(sent[4], 0x02);
  EXPECT_EQ(sent[5], 0x01);
  EXPECT_EQ(sent[511], 0x5A);
}

// The size rules themselves are the protocol file reader's; a CAS port reads by the CAS rule,
// under which a short file of type 7 is good, and sends the protocol to the board at start.
TEST_F(PortObjects, CasPortsReadTheirProtocolByTheCasRule) {
  record_.port_config = callctrl::kPortE1Cas;
  snprintf(record_.protocol.e1_cas.protocol_file, 260, "%s",
           files_.Write("cas7.pro", ProtocolBytes(7, std::vector<uint8_t>(160, 3))).c_str());
  auto port = portcc::CreatePortObject(callctrl::kPortE1Cas, 0x80);
  ASSERT_TRUE(port->Initialise(init_));
  EXPECT_EQ(port->ChannelCount(), 30u);
  ASSERT_TRUE(port->Start());
  EXPECT_EQ(Kept(1, 198).at(28 + 159), 3);
}

TEST_F(PortObjects, ASendTheBoardRefusesIsTraced) {
  portcc::PortMessage message{};
  CcCapture capture;
  EXPECT_FALSE(portcc::SendPortMessage(nullptr, 2, 4, message));
  EXPECT_TRUE(capture.Contains("{2, 4, 0} : SendCSMIMessage Failed"));
  // A module that is not there refuses the address.
  ASSERT_TRUE(portcc::FormPortMessage(4, 203, 0, nullptr, 0, &message));
  EXPECT_FALSE(portcc::SendPortMessage(admin_, 0x50, 4, message));
  EXPECT_TRUE(capture.Contains("{50, 4, 203} : SendCSMIMessage Failed"));
}

}  // namespace
}  // namespace vtx::testing
