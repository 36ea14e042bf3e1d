#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "admin.h"
#include "api/reset_status.h"
#include "api/status_text.h"
#include "common.h"
#include "hostctrl.h"
#include "tests/support/attached_line.h"
#include "tests/support/capture.h"

namespace {

using vtx::testing::TraceCapture;

class SendReceiveTest : public vtx::testing::AttachedLineTest {
 protected:
  // A packet from module 2 channel 1 to the line, as the board writes it in 7-bit mode: the
  // facility ADMIN in the source address (flag 0x20), then the commands.
  std::vector<uint8_t> FromBoard(const std::vector<uint8_t>& commands) {
    std::vector<uint8_t> packet = {static_cast<uint8_t>(9 + commands.size()), 0, 0x20};
    for (int i = 0; i < 3; ++i) packet.push_back(line_->own_addr[i] | 0x80);
    packet.insert(packet.end(), {line_->own_addr[3], 0x81, 0x82, 0x82, 0x01});
    packet.insert(packet.end(), commands.begin(), commands.end());
    return packet;
  }
  static MillArgs Receiving(uint32_t timeout) {
    MillArgs args{};
    args.timeout = timeout;
    return args;
  }
  // A wait of `timeout` ms for ADMIN's GET_RSP event.
  static MillArgs WaitingForGetRsp(uint32_t timeout, uint32_t no_drain = 0) {
    MillArgs args = AdminArgs(MILL_VERB_EVENT, COMMON_GET_RSP_EVENT, timeout);
    args.no_drain = no_drain;
    return args;
  }
  uint64_t Requests(uint32_t subcommand) { return machine().RequestCount(subcommand); }
};

// EVENT GET_RSP with tag 0x20, a Long 0x12345678.
const std::vector<uint8_t> kGetRsp = {0x09, 0x00, 0x08, 0x7C, 0x06, 0x20,
                                      0x02, 0x78, 0x56, 0x34, 0x12};
// EVENT CHANNEL_RESET_DONE without tags.
const std::vector<uint8_t> kResetDone = {0x02, 0x00, 0x08, 0x08};

TEST_F(SendReceiveTest, SetThenGetRoundTrip) {
  MillArgs set = AdminArgs(MILL_VERB_SET);
  const MillTagItem value[] = {{0x20, MILL_TYPE_SHORT, 0, MILL_TAG_VALUE(0x1234)}, {0, 0, 0, 0}};
  EXPECT_EQ(MillFormSendCmd(line_, &set, value), 1);
  MillArgs get = AdminArgs(MILL_VERB_GET);
  const MillTagItem ids[] = {{0x20, 0, 0, MILL_TAG_VALUE(0)}, {0, 0, 0, 0}};
  EXPECT_EQ(MillFormSendCmd(line_, &get, ids), 1);
  MillArgs wait = WaitingForGetRsp(1000, 1);
  ASSERT_EQ(MillWaitCmd(line_, &wait), 1) << wait.status << "/" << wait.line_status;
  ASSERT_EQ(MillGetTag(&wait), 1);
  EXPECT_EQ(wait.tag_id, 0x20u);
  EXPECT_EQ(MillGetTagInt(&wait), 0x1234);

  auto log = board().CommandLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].verb, MILL_VERB_SET);
  ASSERT_EQ(log[0].tags.size(), 1u);
  EXPECT_EQ(log[0].tags[0].data, (std::vector<uint8_t>{0x34, 0x12}));
  const uint8_t channel[4] = {MILL_FACILITY_ADMIN, 2, 2, 1};
  EXPECT_EQ(memcmp(log[1].address, channel, 4), 0);
}

TEST_F(SendReceiveTest, ReceivesLiteralBoardBytes) {
  TraceCapture trace(0x2);
  Inject(FromBoard(kGetRsp));
  MillArgs args = WaitingForGetRsp(0, 1);
  ASSERT_EQ(MillWaitCmd(line_, &args), 1);
  ASSERT_EQ(MillGetTag(&args), 1);
  EXPECT_EQ(MillGetTagInt(&args), 0x12345678);
  ASSERT_FALSE(trace.messages().empty());
  EXPECT_EQ(trace.messages()[0].rfind("< ", 0), 0u) << "the packet line of a received packet";
}

TEST_F(SendReceiveTest, InterruptedRequestsCountByTheirBytes) {
  Inject(FromBoard(kResetDone));
  const uint64_t receives = Requests(VTX_DRV_MSG_RECEIVE);
  machine().InjectFault(VTX_DRV_MSG_RECEIVE, sim::Fault{0, GDI_STS_INTR, false});
  machine().InjectFault(VTX_DRV_MSG_RECEIVE, sim::Fault{0, GDI_STS_INTR, true});
  MillArgs args = Receiving(1000);
  EXPECT_EQ(MillReceivePkt(line_, &args), 1) << "35 with bytes is a packet";
  EXPECT_EQ(Requests(VTX_DRV_MSG_RECEIVE), receives + 2) << "35 without bytes is retried";

  const uint64_t sends = Requests(VTX_DRV_MSG_SEND);
  machine().InjectFault(VTX_DRV_MSG_SEND, sim::Fault{0, GDI_STS_INTR, false});
  machine().InjectFault(VTX_DRV_MSG_SEND, sim::Fault{0, GDI_STS_INTR, true});
  MillArgs send = AdminArgs(MILL_VERB_SET);
  EXPECT_EQ(MillFormSendCmd(line_, &send, nullptr), 1);
  EXPECT_EQ(Requests(VTX_DRV_MSG_SEND), sends + 2);

  machine().InjectFault(VTX_DRV_MSG_RECEIVE, sim::Fault{0, GDI_STS_INTR, false});
  args = Receiving(0);
  EXPECT_EQ(MillReceivePkt(line_, &args), 2) << "no time left for a retry";
  EXPECT_EQ(args.status, CV_STATUS_TIMEOUT);
}

TEST_F(SendReceiveTest, DriverStatusesOfSendAndReceive) {
  TraceCapture trace(0x8);
  std::vector<uint8_t> command(1025, 0);
  MillArgs oversized{};
  oversized.cmd_buf = command.data();
  oversized.cmd_len = 1025;
  const uint64_t sends = Requests(VTX_DRV_MSG_SEND);
  EXPECT_EQ(MillSendCmd(line_, &oversized), 2);
  EXPECT_EQ(oversized.line_status, APIERR_INSUFF_BUFFER);
  EXPECT_EQ(Requests(VTX_DRV_MSG_SEND), sends) << "refused before the driver";

  MillArgs send = AdminArgs(MILL_VERB_SET);
  machine().InjectFault(VTX_DRV_MSG_SEND, sim::Fault{0, GDI_STS_RESOURCES});
  EXPECT_EQ(MillFormSendCmd(line_, &send, nullptr), 2);
  EXPECT_EQ(send.status, CV_STATUS_TIMEOUT);

  machine().InjectFault(VTX_DRV_MSG_SEND, sim::Fault{0, 54});
  EXPECT_EQ(MillFormSendCmd(line_, &send, nullptr), 2);
  EXPECT_EQ(send.status, CV_STATUS_ERROR_HANGUP);
  EXPECT_EQ(send.line_status, 501u);
  EXPECT_TRUE(line_->overrun);
  EXPECT_TRUE(trace.Contains("Packet receive/interrupt overrun"));
  EXPECT_NE(line_->reset_status & (vtx::kResetTransfer | vtx::kResetCondition), 0u);

  machine().InjectFault(VTX_DRV_MSG_SEND, sim::Fault{0, GDI_STS_BLOCKED});
  EXPECT_EQ(MillFormSendCmd(line_, &send, nullptr), 2);
  EXPECT_EQ(send.status, CV_STATUS_ERROR);
  EXPECT_TRUE(trace.Contains("Send error GDI_STS_BLOCKED"));

  MillArgs receive = Receiving(0);
  EXPECT_EQ(MillReceivePkt(line_, &receive), 2);
  EXPECT_EQ(receive.status, CV_STATUS_TIMEOUT) << "status 8: nothing to receive";

  machine().InjectFault(VTX_DRV_MSG_RECEIVE, sim::Fault{0, 77});
  receive = Receiving(0);
  EXPECT_EQ(MillReceivePkt(line_, &receive), 2);
  EXPECT_EQ(receive.status, CV_STATUS_ERROR);
  EXPECT_EQ(receive.line_status, APIERR_PACKET_RECEIVE) << "an unknown status is a receive failure";
  EXPECT_TRUE(trace.Contains("Receive error GDI_STS_? 77"));

  machine().InjectFault(VTX_DRV_MSG_RECEIVE, sim::Fault{EIO, 0});
  EXPECT_EQ(MillReceivePkt(line_, &receive), 2);
  EXPECT_EQ(receive.line_status, APIERR_DRV_IOCTL_ERR);
  EXPECT_EQ(line_->last_error, EIO);
  EXPECT_NE(line_->reset_status & vtx::kResetSystemError, 0u);
}

TEST_F(SendReceiveTest, LimitedWaitEndsInHangup505) {
  machine().SetTimeScale(0.001);
  line_->config.settings.max_timeout = 30;
  MillArgs args = Receiving(0xFFFFFFFF);
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 2);
  EXPECT_EQ(args.status, CV_STATUS_ERROR_HANGUP);
  EXPECT_EQ(args.line_status, 505u);
  EXPECT_EQ(machine().LastReceiveTimeout(), 30000u) << "30 means seconds";
  line_->config.settings.max_timeout = 1500;
  args = Receiving(0xFFFFFFFF);
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 2);
  EXPECT_EQ(args.line_status, 505u);
  EXPECT_EQ(machine().LastReceiveTimeout(), 1500u) << "1500 means milliseconds";
}

TEST_F(SendReceiveTest, DataCommandKeepsThePacketPending) {
  std::vector<uint8_t> commands = kResetDone;
  for (uint8_t byte : {0x07, 0x00, 0x03, 0x10, 0x00, 0x01, 0x00, 0xAA, 0xBB}) {
    commands.push_back(byte);
  }
  Inject(FromBoard(commands));
  int seen = 0;
  static int* counter;
  counter = &seen;
  line_->cmd_callback = [](VtxLine*, MillArgs*) { return ++*counter; };
  MillArgs args = Receiving(0);
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 2);
  EXPECT_EQ(args.status, CV_STATUS_TIMEOUT);
  EXPECT_EQ(seen, 1) << "the command before DATA was processed";
  const uint64_t receives = Requests(VTX_DRV_MSG_RECEIVE);
  MillArgs again = Receiving(0);
  EXPECT_EQ(MillReceivePkt(line_, &again), 1);
  EXPECT_EQ(Requests(VTX_DRV_MSG_RECEIVE), receives) << "the pending packet, not the driver";
  EXPECT_EQ(again.pkt_len, 11u + commands.size());
  line_->cmd_callback = nullptr;
}

TEST_F(SendReceiveTest, WaitDrainsThePacketOrTimesOut) {
  std::vector<uint8_t> commands = kGetRsp;
  for (int i = 0; i < 2; ++i) {
    for (uint8_t byte : kResetDone) commands.push_back(byte);
  }
  Inject(FromBoard(commands));
  static int seen;
  seen = 0;
  line_->cmd_callback = [](VtxLine*, MillArgs*) { return ++seen; };
  MillArgs wait = WaitingForGetRsp(1000);
  EXPECT_EQ(MillWaitCmd(line_, &wait), 1);
  EXPECT_EQ(wait.status, CV_STATUS_OK);
  EXPECT_EQ(seen, 3) << "the rest of the packet was processed";

  Inject(FromBoard(kResetDone));
  wait = WaitingForGetRsp(30);
  EXPECT_EQ(MillWaitCmd(line_, &wait), 0);
  EXPECT_EQ(wait.status, CV_STATUS_TIMEOUT);
  line_->cmd_callback = nullptr;
}

// ERROR_REPORT with ERROR_VALUE (a Short) and, when given, ERROR_MESSAGE.
std::vector<uint8_t> ErrorReport(uint16_t value, const char* message) {
  std::vector<uint8_t> command = {0, 0, 0x08, 0x7F, 0x04, 0x7F, 0x01};
  command.insert(command.end(), {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)});
  if (message != nullptr) {
    command.push_back(static_cast<uint8_t>(strlen(message) + 2));
    command.push_back(0x7E);
    command.push_back(0x10);
    command.insert(command.end(), message, message + strlen(message));
  }
  command[0] = static_cast<uint8_t>(command.size() - 2);
  return command;
}

TEST_F(SendReceiveTest, FirmwareErrorReports) {
  line_->line_state = 5;
  Inject(FromBoard(ErrorReport(264, "busy")));
  MillArgs args = Receiving(0);
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 2);
  EXPECT_EQ(args.status, CV_STATUS_ERROR_HANGUP);
  EXPECT_EQ(args.line_status, 500u);
  EXPECT_EQ(line_->line_state, 5u) << "264 keeps the line state";
  EXPECT_EQ(line_->error_interrupt, 264u) << "kept for the status text";
  EXPECT_STREQ(line_->error_message, "busy");

  {
    TraceCapture trace(0);
    Inject(FromBoard(ErrorReport(255, nullptr)));
    args = Receiving(0);
    VtxRcvProcessPkt(line_, &args);
    EXPECT_TRUE(trace.Contains("BUG CHECK: (no message)")) << "shown with a mask of 0";
    EXPECT_EQ(line_->line_state, 0u);
  }

  Inject(FromBoard(ErrorReport(265, "gone")));
  args = Receiving(0);
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 2);
  EXPECT_EQ(args.status, CV_STATUS_ERROR);
  EXPECT_EQ(args.line_status, APIERR_NO_TRANSPORT);
  EXPECT_EQ(line_->pending_hangup, 0u) << "265 withdraws the error interrupt";
  EXPECT_STREQ(line_->error_message, "");
}

// A continue call (async_lp 0xFFFFFFFF) finds no asynchronous operation pending on the line: it is
// refused before it receives or sends anything, even with a packet waiting.
TEST_F(SendReceiveTest, AContinueCallWithNothingPendingIsRefused) {
  Inject(FromBoard(kResetDone));
  const uint64_t receives = Requests(VTX_DRV_MSG_RECEIVE);
  const uint64_t sends = Requests(VTX_DRV_MSG_SEND);
  uint8_t packet[64];
  const std::vector<std::pair<const char*, int (*)(VtxLine*, MillArgs*)>> operations = {
      {"MillReceivePkt", MillReceivePkt},
      {"VtxRcvProcessPkt", VtxRcvProcessPkt},
      {"MillSendPkt", MillSendPkt}};
  for (const auto& [name, operation] : operations) {
    line_->reset_status = 0;
    MillArgs args = Receiving(1000);
    args.async_lp = 0xFFFFFFFF;
    args.pkt_buf = packet;
    args.pkt_len = sizeof packet;
    EXPECT_EQ(operation(line_, &args), 2) << name;
    EXPECT_EQ(args.status, CV_STATUS_ERROR) << name;
    EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR)) << name;
    EXPECT_EQ(line_->reset_status, vtx::kResetTransfer) << name;
  }
  EXPECT_EQ(Requests(VTX_DRV_MSG_RECEIVE), receives);
  EXPECT_EQ(Requests(VTX_DRV_MSG_SEND), sends);
  MillArgs args = Receiving(1000);
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 1) << "the waiting packet is still there";
}

// Which codes a no-hangup receive holds is the hangup check's own test; the receive hands it on.
TEST_F(SendReceiveTest, ANoHangupReceiveHoldsAFaxHangup) {
  line_->pending_hangup = 11;
  Inject(FromBoard(kResetDone));
  MillArgs args = Receiving(0);
  args.no_hangup = 1;
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 1);
  EXPECT_EQ(line_->pending_hangup, 11u);
}

TEST_F(SendReceiveTest, AlertsStandOrAreCancelled) {
  // HOST_CTRL EVENT ALERT with ALERT_VALUE 3, from the host controller.
  const std::vector<uint8_t> alert = {0x06, 0x00, 0x08, 0x02, 0x03, 0x02, 0x00, 0x03};
  auto packet = FromBoard(alert);
  packet[7] = 0x8B;
  Inject(packet);
  MillArgs args = Receiving(0);
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 2);
  EXPECT_EQ(args.status, CV_STATUS_ALERT);
  EXPECT_EQ(args.line_status, 3u);
  EXPECT_NE(line_->reset_status & vtx::kResetAlert, 0u);

  line_->cmd_callback = [](VtxLine*, MillArgs* cmd) {
    if (cmd->var_value == 3) cmd->facility = 0;
    return 0;
  };
  Inject(packet);
  args = Receiving(0);
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 1) << "cancelled by the callback";
  line_->cmd_callback = nullptr;
}

TEST_F(SendReceiveTest, ParseErrorDumpsThePacket) {
  TraceCapture trace(0x8);
  Inject({0x0C, 0x00, 0x20, 0xC0, 0x83, 0x81, 0x01, 0x81, 0x82, 0x82, 0x01, 0x09, 0x00, 0x08});
  MillArgs args = Receiving(0);
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 2);
  EXPECT_EQ(args.line_status, APIERR_PACKET_PARSE);
  EXPECT_TRUE(trace.Contains("Parse error, packet bytes follow"));
  EXPECT_TRUE(trace.Contains("0C 00 20 C0 83 81 01 81 82 82 01 09 00 08 "));
}

TEST_F(SendReceiveTest, ModuleLossEndsTheSendAndTheWait) {
  machine().FindModule(2)->deactivated = true;
  MillArgs send = AdminArgs(MILL_VERB_SET);
  EXPECT_EQ(MillFormSendCmd(line_, &send, nullptr), 2);
  EXPECT_EQ(send.line_status, APIERR_INVALID_DEST_ADDR);
  EXPECT_NE(line_->reset_status & vtx::kResetAddressGone, 0u);

  line_->reset_status = 0;
  machine().FindModule(2)->deactivated = false;
  machine().ModuleDied(2);
  MillArgs args = Receiving(1000);
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 2);
  EXPECT_EQ(args.line_status, APIERR_INVALID_DEST_ADDR) << "died";
  EXPECT_NE(line_->reset_status & vtx::kResetAddressGone, 0u);

  machine().EccServerDied(2);
  args = Receiving(1000);
  TraceCapture trace(0x8);
  EXPECT_EQ(VtxRcvProcessPkt(line_, &args), 2);
  EXPECT_TRUE(trace.Contains("ECC server for module 2 has died."));
}

TEST_F(SendReceiveTest, ModuleRemovedWhileTheLineWaits) {
  MillArgs args = Receiving(0xFFFFFFFF);
  int result = 0;
  std::thread waiter([&] { result = VtxRcvProcessPkt(line_, &args); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  machine().RemoveModule(2);
  waiter.join();
  EXPECT_EQ(result, 2);
  EXPECT_EQ(args.status, CV_STATUS_ERROR);
  EXPECT_EQ(args.line_status, APIERR_MODULE_REMOVED);
}

}  // namespace
