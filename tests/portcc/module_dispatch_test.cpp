// The module's event dispatch: packets to the port of their channel, timer alerts to the port
// they name, board notifications to every port, and what it does with what no port serves.
#include "portcc/module_dispatch.h"

#include <gtest/gtest.h>

#include "admin.h"
#include "api/address_mode.h"
#include "api/line.h"
#include "ecc.h"
#include "portcc/port_factory.h"
#include "sim/module.h"
#include "sim/packet_form.h"
#include "tests/portcc/portcc_fixture.h"
#include "tests/support/simulated_board.h"

namespace vtx::testing {
namespace {

using callctrl::CallControlObject;
using Bytes = std::vector<uint8_t>;

// A port object that remembers what it was handed.
class RecordingPort : public CallControlObject {
 public:
  bool Initialise(const callctrl::CcInit&) override { return true; }
  uint32_t ChannelCount() const override { return 1; }
  bool Start() override { return true; }
  void Shutdown() override {}
  bool OnPacket(const callctrl::CcPacket& packet) override {
    codes.push_back(packet.command.facility << 16 | packet.command.code);
    return healthy;
  }
  bool OnTimer(uint32_t context) override {
    timers.push_back(context);
    return healthy;
  }
  bool OnLibraryEvent(const callctrl::CcLibraryEvent&) override { return healthy; }

  std::vector<uint32_t> codes;  // facility << 16 | code of each command
  std::vector<uint32_t> timers;
  bool healthy = true;
};

// An 11-byte full-byte header from `source` to module 2, then `command`; with flag 0x20 the
// facility of the command is byte 0 of the source, as the board sends it.
Bytes Packet(uint8_t flags, const Bytes& source, const Bytes& command) {
  const size_t length = 11 + command.size() - 2;
  Bytes packet = {static_cast<uint8_t>(length),
                  static_cast<uint8_t>(length >> 8),
                  static_cast<uint8_t>(flags | 0x04),
                  0x12,
                  0x01,
                  0x02,
                  0x00};
  for (const Bytes* part : {&source, &command}) {
    for (uint8_t byte : *part) packet.push_back(byte);
  }
  return packet;
}

// EVENT HOST_CTRL ALERT, CONTEXT_ID (Short) 0x1234, CHANNEL (Short) `port`, from the host
// controller as the timer service sends it.
Bytes TimerAlert(uint8_t port) {
  return Packet(
      0x20, {0x0B, 0x01, 0x01, 0x00},
      {0x0C, 0x00, 0x08, 0x02, 0x04, 0x03, 0x01, 0x34, 0x12, 0x04, 0x0E, 0x01, port, 0x00});
}

// EVENT `code` of `facility` with no tags, from channel `channel` (0: the module itself).
Bytes Event(uint8_t facility, uint8_t code, uint8_t channel) {
  const uint8_t kind = channel == 0 ? 0x01 : 0x02;
  return Packet(0x20, {facility, kind, 0x02, channel}, {0x02, 0x00, 0x08, code});
}

class ModuleDispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_mode_ = FullByteAddressMode();
    SetFullByteAddressMode(true);
    for (uint32_t port : {0u, 1u, 3u}) {
      auto object = std::make_unique<RecordingPort>();
      ports_[port] = object.get();
      slots_[port] = std::move(object);
    }
  }
  void TearDown() override { SetFullByteAddressMode(saved_mode_); }
  bool Dispatch(const Bytes& packet) {
    return dispatcher_.Dispatch(packet.data(), static_cast<uint32_t>(packet.size()));
  }

  bool saved_mode_ = true;
  callctrl::CcSlots slots_;
  RecordingPort* ports_[callctrl::kPortSlots] = {};
  portcc::ModuleDispatcher dispatcher_{2, slots_};
};

TEST_F(ModuleDispatch, PacketsGoToThePortOfTheirChannelAndTimersToThePortTheyName) {
  EXPECT_TRUE(Dispatch(Event(MILL_FACILITY_ECC, ECC_STATUS_UPDATE_EVENT, 3)));  // port 1
  EXPECT_EQ(ports_[1]->codes, (std::vector<uint32_t>{0x120008}));
  EXPECT_TRUE(ports_[0]->codes.empty());

  EXPECT_TRUE(Dispatch(TimerAlert(3)));
  EXPECT_EQ(ports_[3]->timers, (std::vector<uint32_t>{0x1234}));
  EXPECT_TRUE(ports_[3]->codes.empty());
  EXPECT_TRUE(ports_[1]->timers.empty());

  // A notification of the whole board reaches every port; one from a channel, its port only.
  EXPECT_TRUE(Dispatch(Event(MILL_FACILITY_ADMIN, ADMIN_BOARD_NOTIFY_EVENT, 0)));
  EXPECT_TRUE(Dispatch(Event(MILL_FACILITY_ADMIN, ADMIN_BOARD_NOTIFY_EVENT, 2)));
  EXPECT_EQ(ports_[0]->codes, (std::vector<uint32_t>{0x10010, 0x10010}));
  EXPECT_EQ(ports_[3]->codes, (std::vector<uint32_t>{0x10010}));
}

TEST_F(ModuleDispatch, WhatNoPortServesIsTracedAndDroppedAndUnreadablePacketsFail) {
  CcCapture capture;
  EXPECT_TRUE(Dispatch(Event(MILL_FACILITY_ECC, ECC_STATUS_UPDATE_EVENT, 4)));   // port 2: none
  EXPECT_TRUE(Dispatch(Event(MILL_FACILITY_ECC, ECC_STATUS_UPDATE_EVENT, 40)));  // beyond ports
  EXPECT_TRUE(Dispatch(TimerAlert(7)));
  EXPECT_TRUE(capture.Contains(
      "Module 2, event 0x8 of facility 0x12 from channel 4, which no port serves"));
  EXPECT_TRUE(capture.Contains("from channel 40, which no port serves"));
  EXPECT_TRUE(
      capture.Contains("Module 2, timer 0x1234 expired for port 7, which has no call control"));
  for (RecordingPort* port : {ports_[0], ports_[1], ports_[3]}) {
    EXPECT_TRUE(port->codes.empty());
    EXPECT_TRUE(port->timers.empty());
  }

  Bytes cut = Event(MILL_FACILITY_ECC, ECC_STATUS_UPDATE_EVENT, 3);
  cut[11] = 0x09;  // the command claims more bytes than the packet has
  EXPECT_FALSE(Dispatch(cut));
  EXPECT_FALSE(Dispatch({0x01, 0x02, 0x03}));

  ports_[1]->healthy = false;  // a port that could not talk to the board
  EXPECT_FALSE(Dispatch(Event(MILL_FACILITY_ECC, ECC_STATUS_UPDATE_EVENT, 3)));
}

// The dispatcher on a simulated board's administration line: the board's answers to a port's
// start come back to that port, an injected timer alert reaches its port, and a quiet line is
// idle, not a failure.
class ModuleDispatchOnBoard : public SimulatedBoardTest {};

TEST_F(ModuleDispatchOnBoard, AnswersToAPortsMessagesReachThatPort) {
  VtxLine* admin = AttachSession(1, 2, MILL_FACILITY_ECC);
  ASSERT_NE(admin, nullptr);
  ProtocolFiles files;
  callctrl::PortConfigRecord record{};
  record.port_config = callctrl::kPortE1R2Cas;
  snprintf(record.protocol.e1_r2_cas.protocol_file, 260, "%s",
           files.Write("r2.pro", ProtocolBytes(3, {1, 2, 3})).c_str());
  callctrl::PortInit init;
  init.admin_line = admin;
  init.port = &record;
  init.module_number = 2;
  init.port_index = 4;
  callctrl::CcSlots slots;
  slots[4] = portcc::CreatePortObject(callctrl::kPortE1R2Cas, 0x80);
  ASSERT_TRUE(slots[4]->Initialise(init));
  ASSERT_TRUE(slots[4]->Start());

  CcCapture capture;
  portcc::ModuleDispatcher dispatcher(2, slots);
  using Outcome = portcc::ModuleDispatcher::Outcome;
  EXPECT_EQ(dispatcher.ReceiveAndDispatch(admin, 2000), Outcome::kDispatched);
  EXPECT_TRUE(capture.Contains("Module 2, Port 4, port message type 198 accepted"));

  Bytes status;
  const uint8_t channel6[4] = {0, 2, 2, 6};
  sim::FormPacket(sim::FwPacket().Event(ECC_STATUS_UPDATE_EVENT), admin->own_addr, channel6,
                  MILL_FACILITY_ECC, status);
  ASSERT_TRUE(machine().InjectRaw(admin->own_addr, status));
  EXPECT_EQ(dispatcher.ReceiveAndDispatch(admin, 2000), Outcome::kDispatched);
  EXPECT_TRUE(capture.Contains("Module 2, Port 4, received facility 0x12 verb 8 code 0x8"));

  EXPECT_EQ(dispatcher.ReceiveAndDispatch(admin, 20), Outcome::kIdle);
  EXPECT_FALSE(capture.Contains("Communication with board failed"));

  EXPECT_EQ(dispatcher.ReceiveAndDispatch(nullptr, 20), Outcome::kFailed);
  EXPECT_TRUE(capture.Contains("Communication with board failed, module 0x2"));
  VtxLineArgs args{};
  VtxLineDetach(admin, &args);
}

}  // namespace
}  // namespace vtx::testing
