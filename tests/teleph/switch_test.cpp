#include <gtest/gtest.h>

#include "api/reset_status.h"
#include "api/status_text.h"
#include "call_sw.h"
#include "sim/list_tag.h"
#include "tele_ctrl.h"
#include "teleph/teleph_info.h"
#include "tests/support/capture.h"
#include "tests/teleph/teleph_fixture.h"

namespace {

using vtx::testing::TraceCapture;

class SwitchTest : public vtx::testing::TelephLineTest {
 protected:
  // Unit and slot `src_unit` of class 0 stream 0 to `dest_unit` of class 1 stream 1.
  static VtxTelephArgs Tdm(uint32_t src_unit, uint32_t dest_unit) {
    VtxTelephArgs args{};
    args.conn_mode = 1;
    args.src_port_unit = args.src_slot = src_unit;
    args.dest_port_class = args.dest_stream = 1;
    args.dest_port_unit = args.dest_slot = dest_unit;
    return args;
  }
  static sim::FwTag Int(uint32_t id, uint32_t value, uint32_t type = MILL_TYPE_BYTE) {
    return sim::FwTag::Int(id, type, value);
  }
  // The source list of a connection listed by the module: unit 1, slot 1 of class 0.
  static sim::FwTag Source() {
    return sim::ListTag(CALL_SW_PCM_CONN_SOURCE_VAR,
                        {Int(CALL_SW_PORT_CLASS_VAR, 0), Int(CALL_SW_PORT_UNIT_VAR, 1),
                         Int(CALL_SW_PORT_STREAM_VAR, 0), Int(CALL_SW_PORT_STREAM_SLOT_VAR, 1),
                         Int(CALL_SW_PORT_TYPE_VAR, 0x100)});
  }
};

TEST_F(SwitchTest, HardwareListIsWalkedOnePortPerCallAndStartsAgainAfterTheEnd) {
  board().telephony().hardware = {{0, 0x1}, {1, 0x4}, {7, 0x20}};
  VtxTelephArgs args{};
  const uint32_t expected[][2] = {{0, 0x1}, {1, 0x4}, {7, 0x20}};
  for (const auto& port : expected) {
    ASSERT_EQ(VtxTelephGetInfo(line_, &args), 1);
    EXPECT_EQ(args.src_port_unit, port[0]);
    EXPECT_EQ(args.port_type, port[1]);
    EXPECT_EQ(line_->telephony.port_types[port[0]], port[1]);
  }
  EXPECT_EQ(VtxTelephGetInfo(line_, &args), 0);
  EXPECT_EQ(args.iter_context, nullptr);
  EXPECT_EQ(Requests(MILL_FACILITY_TELE_CTRL, TELE_CTRL_RESOURCE_LIST_REQUEST), 1u);
  EXPECT_EQ(VtxTelephGetInfo(line_, &args), 1);
  EXPECT_EQ(Requests(MILL_FACILITY_TELE_CTRL, TELE_CTRL_RESOURCE_LIST_REQUEST), 2u);
  EXPECT_EQ(VtxTelephGetInfo(line_, &args), 1);
  EXPECT_EQ(VtxTelephGetInfo(line_, &args), 1);
  EXPECT_EQ(VtxTelephGetInfo(line_, &args), 0);

  uint32_t summary = 0;
  EXPECT_EQ(vtx::teleph::PortTypeSummary(line_, &summary, &args), 0);
  EXPECT_EQ(summary, 0x25u);
  board().telephony().hardware.clear();
  EXPECT_EQ(vtx::teleph::PortTypeSummary(line_, &summary, &args), 1);
  EXPECT_EQ(summary, 0u);
}

TEST_F(SwitchTest, MalformedHardwareDescriptionsAreSkippedOrRefused) {
  // A port unit past the port type table.
  board().telephony().hardware = {{60, 0x1}};
  TraceCapture trace;
  VtxTelephArgs args{};
  EXPECT_EQ(VtxTelephGetInfo(line_, &args), -1);
  EXPECT_EQ(args.status, CV_STATUS_ERROR);
  EXPECT_EQ(args.line_status, APIERR_INVALID_BOARD_PARAM);
  EXPECT_EQ(args.iter_context, nullptr);
  EXPECT_NE(line_->reset_status & vtx::kResetTelephony, 0u);
  EXPECT_TRUE(trace.Contains("Hardware port_unit 60 too large."));

  AnswerRequest(MILL_FACILITY_TELE_CTRL, TELE_CTRL_RESOURCE_LIST_REQUEST,
                TELE_CTRL_HARDWARE_LIST_EVENT,
                {sim::ListTag(TELE_CTRL_HARDWARE_DESC_VAR, {Int(TELE_CTRL_PORT_UNIT_VAR, 3)})});
  args = VtxTelephArgs{};
  EXPECT_EQ(VtxTelephGetInfo(line_, &args), 0);
  EXPECT_EQ(args.status, CV_STATUS_OK);
  EXPECT_TRUE(trace.Contains("Hardware telephony response contained no port info."));

  line_->reset_status = 0;
  AnswerRequest(MILL_FACILITY_TELE_CTRL, TELE_CTRL_RESOURCE_LIST_REQUEST,
                TELE_CTRL_HARDWARE_LIST_EVENT, {Int(TELE_CTRL_HARDWARE_DESC_VAR, 3)});
  EXPECT_EQ(VtxTelephGetInfo(line_, &args), -1);
  EXPECT_EQ(args.line_status, APIERR_INVALID_BOARD_PARAM);
  EXPECT_EQ(args.iter_context, nullptr);
  EXPECT_NE(line_->reset_status & vtx::kResetTelephony, 0u);
}

TEST_F(SwitchTest, UnansweredTelephonyListTimesOutWhileTheSwitchListJustEnds) {
  machine().SetTimeScale(0.01);
  board().firmware().Set(MILL_FACILITY_TELE_CTRL, MILL_VERB_REQUEST,
                         TELE_CTRL_RESOURCE_LIST_REQUEST, nullptr);
  board().firmware().Set(MILL_FACILITY_CALL_SW, MILL_VERB_REQUEST, CALL_SW_RESOURCE_LIST_REQUEST,
                         nullptr);
  VtxTelephArgs args{};
  EXPECT_EQ(VtxTelephGetInfo(line_, &args), -1);
  EXPECT_EQ(args.status, CV_STATUS_TIMEOUT);
  EXPECT_NE(line_->reset_status & vtx::kResetTelephony, 0u);
  EXPECT_EQ(args.iter_context, nullptr);

  line_->reset_status = 0;
  VtxTelephArgs sw{};
  EXPECT_EQ(VtxCallSWGetInfo(line_, &sw), 0);
  EXPECT_EQ(sw.iter_context, nullptr);
  EXPECT_EQ(line_->reset_status, 0u);
}

TEST_F(SwitchTest, SwitchResourcesAreReportedWithAllFiveMembers) {
  board().telephony().switch_ports = {{1, 2, 1, 2, 0x1}, {0, 5, 0, 5, 0x100}};
  VtxTelephArgs args{};
  ASSERT_EQ(VtxCallSWGetInfo(line_, &args), 1);
  EXPECT_EQ(args.src_port_class, 1u);
  EXPECT_EQ(args.src_port_unit, 2u);
  EXPECT_EQ(args.src_stream, 1u);
  EXPECT_EQ(args.src_slot, 2u);
  EXPECT_EQ(args.port_type, 0x1u);
  ASSERT_EQ(VtxCallSWGetInfo(line_, &args), 1);
  EXPECT_EQ(args.port_type, 0x100u);
  EXPECT_EQ(VtxCallSWGetInfo(line_, &args), 0);
  EXPECT_EQ(args.iter_context, nullptr);
}

TEST_F(SwitchTest, RefusedSwitchingSendsNothing) {
  VtxTelephArgs ip = Tdm(0, 0);
  ip.dest_port_class = 19;
  EXPECT_EQ(VtxCallSWConnect(line_, &ip), -1) << "an IP class needs the IP connect";
  EXPECT_EQ(ip.line_status, APIERR_BADPARAMETER);

  ClearCapability(87);
  VtxTelephArgs args = Tdm(0, 0);
  EXPECT_EQ(VtxCallSWConnect(line_, &args), -1);
  EXPECT_EQ(args.line_status, APIERR_BOARDCAPABILITY);
  EXPECT_EQ(VtxCallSWGetInfo(line_, &args), -1);
  EXPECT_EQ(VtxCallSWGetConns(line_, &args), -1);
  EXPECT_EQ(VtxCallSWClearConns(line_, &args), -1);
  EXPECT_EQ(args.line_status, APIERR_BOARDCAPABILITY);
  EXPECT_TRUE(board().CommandLog().empty());
}

// A refusal by the opening checks restarts the connection list like every other failure.
TEST_F(SwitchTest, RefusedConnectionQueriesStartTheListAgain) {
  VtxTelephArgs args{};
  args.iter_context = reinterpret_cast<void*>(static_cast<uintptr_t>(5));
  args.async_lp = 1;
  EXPECT_EQ(VtxCallSWGetConns(line_, &args), -1);
  EXPECT_EQ(args.status, CV_STATUS_ERROR);
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR));
  EXPECT_EQ(args.iter_context, nullptr);

  args.async_lp = 0;
  args.iter_context = reinterpret_cast<void*>(static_cast<uintptr_t>(5));
  ClearCapability(87);
  EXPECT_EQ(VtxCallSWGetConns(line_, &args), -1);
  EXPECT_EQ(args.line_status, APIERR_BOARDCAPABILITY);
  EXPECT_EQ(args.iter_context, nullptr);

  vtx::SetCapability(line_, 87);
  machine().SetTimeScale(0.01);
  EXPECT_EQ(VtxCallSWGetConns(line_, &args), 0);
  const auto log = board().CommandLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].Find(CALL_SW_CONN_NUMBER_VAR)->Value(), 1u) << "the next query asks for 1";
}

TEST_F(SwitchTest, ConnectSendsTheModeAndSourceListTagsAndASecondUseOfASlotIsRefused) {
  VtxTelephArgs args = Tdm(2, 3);
  ASSERT_EQ(VtxCallSWConnect(line_, &args), 0);
  const auto log = board().CommandLog();
  ASSERT_EQ(log.size(), 1u);
  // CONN_MODE 1, then the source list: class 0, unit 2, stream 0, slot 2 (Byte, then Shorts).
  const sim::FwTag* source = log[0].Find(CALL_SW_PCM_CONN_SOURCE_VAR);
  ASSERT_NE(source, nullptr);
  const std::vector<uint8_t> expected = {3,    0x10, 0, 0, 4, 0x06, 1, 2, 0, 4,
                                         0x07, 1,    0, 0, 4, 0x08, 1, 2, 0};
  EXPECT_EQ(source->data, expected);
  EXPECT_EQ(log[0].Find(CALL_SW_CONN_MODE_VAR)->Value(), 1u);

  TraceCapture trace;
  VtxTelephArgs again = Tdm(4, 3);
  EXPECT_EQ(VtxCallSWConnect(line_, &again), 9);
  EXPECT_EQ(again.status, CV_STATUS_ERROR);
  EXPECT_EQ(again.line_status, APIERR_FIRMWARE_ERR_DETECTED);
  EXPECT_EQ(line_->reset_status & (vtx::kResetFirmwareError | vtx::kResetRefusedOther),
            vtx::kResetFirmwareError | vtx::kResetRefusedOther);
  EXPECT_TRUE(trace.Contains("Telephony connection setup error 9."));
  vtx::api::StatusText text;
  vtx::api::FormStatusText(line_, again.status, again.line_status, &text);
  EXPECT_NE(std::string(text.description).find("Slot already assigned"), std::string::npos);

  VtxTelephArgs bad_unit = Tdm(0, 30);
  EXPECT_EQ(VtxCallSWConnect(line_, &bad_unit), 6);
}

TEST_F(SwitchTest, RtpConnectionGetsTheModulesAddressAndPorts) {
  VtxTelephArgs args{};
  args.conn_mode = 1;
  args.src_port_unit = 1;
  args.dest_port_class = 19;
  args.rtp_opts.remoteRTPAddr = {2, 5004, {198, 51, 100, 7}, {}};
  args.rtp_opts.remoteRTCPAddr = {2, 5005, {198, 51, 100, 7}, {}};
  ASSERT_EQ(VtxCallSWConnectIP(line_, &args), 0);
  EXPECT_EQ(args.rtp_opts.localRTPAddr.sin_port, 16384);
  EXPECT_EQ(args.rtp_opts.localRTCPAddr.sin_port, 16385);
  EXPECT_EQ(args.rtp_opts.localRTPAddr.sin_addr[3], 2);
  EXPECT_EQ(args.rtp_opts.remoteRTPAddr.sin_port, 5004);
  EXPECT_EQ(args.rtp_opts.remoteRTCPAddr.sin_port, 5005);
  // The next IP side gets the next pair.
  VtxTelephArgs next = args;
  next.rtp_opts = {};
  ASSERT_EQ(VtxCallSWConnectIP(line_, &next), 0);
  EXPECT_EQ(next.rtp_opts.localRTPAddr.sin_port, 16386);
}

TEST_F(SwitchTest, UdptlConnectionChecksAndSendsTheT38Parameters) {
  VtxTelephArgs args{};
  args.conn_mode = 1;
  args.dest_port_class = 12;
  args.udptl_opts.t38 = {0, 5, 0, 0, 0, 9, 2048, 1024, 6, 512, 3, 2, 1};
  args.udptl_opts.remoteAddr = {2, 6000, {198, 51, 100, 9}, {}};
  VtxTelephArgs bad = args;
  bad.udptl_opts.t38.t38_UDPTL_redundancy_depth_image = 6;
  EXPECT_EQ(VtxCallSWConnectIP(line_, &bad), -1);
  EXPECT_EQ(bad.line_status, APIERR_BADPARAMETER);
  bad.conn_mode |= 0x80;  // no parameters: no check either
  EXPECT_EQ(VtxCallSWConnectIP(line_, &bad), 0);

  board().ClearCommandLog();
  ASSERT_EQ(VtxCallSWConnectIP(line_, &args), 0);
  EXPECT_EQ(args.udptl_opts.localAddr.sin_port, 16386);
  EXPECT_EQ(args.udptl_opts.remoteAddr.sin_port, 6000);
  const auto log = board().CommandLog();
  ASSERT_EQ(log.size(), 1u);
  std::vector<uint32_t> ids;
  for (const auto& tag : log[0].tags) ids.push_back(tag.id);
  const std::vector<uint32_t> expected = {0x03, 0x04, 0x09, 0x1D, 0x18, 0x1E, 0x1F, 0x20,
                                          0x21, 0x22, 0x23, 0x1A, 0x19, 0x1B, 0x1C, 0x24};
  EXPECT_EQ(ids, expected);
  EXPECT_EQ(log[0].Find(CALL_SW_MAX_DATAGRAM_VAR)->Value(), 512u);  // the send maximum
  EXPECT_EQ(log[0].Find(CALL_SW_PACKET_SIZE_VAR)->Value(), 1024u);  // the receive maximum
}

TEST_F(SwitchTest, ConnectionsAreListedByNumberUntilTheModuleStopsAnswering) {
  machine().SetTimeScale(0.01);
  VtxTelephArgs a = Tdm(0, 0), b = Tdm(1, 1);
  ASSERT_EQ(VtxCallSWConnect(line_, &a), 0);
  ASSERT_EQ(VtxCallSWConnect(line_, &b), 0);
  board().ClearCommandLog();
  VtxTelephArgs args{};
  ASSERT_EQ(VtxCallSWGetConns(line_, &args), 1);
  EXPECT_EQ(args.src_port_unit, 0u);
  EXPECT_EQ(args.dest_port_class, 1u);
  EXPECT_EQ(args.dest_port_type, 0x1u);
  EXPECT_EQ(args.src_port_type, 0x100u);
  ASSERT_EQ(VtxCallSWGetConns(line_, &args), 1);
  EXPECT_EQ(args.dest_slot, 1u);
  EXPECT_EQ(VtxCallSWGetConns(line_, &args), 0);
  EXPECT_EQ(VtxCallSWGetConns(line_, &args), 1);
  std::vector<uint32_t> numbers;
  for (const auto& cmd : board().CommandLog()) {
    numbers.push_back(cmd.Find(CALL_SW_CONN_NUMBER_VAR)->Value());
  }
  EXPECT_EQ(numbers, (std::vector<uint32_t>{1, 2, 3, 1}));

  VtxTelephArgs clear{};
  EXPECT_EQ(VtxCallSWClearConns(line_, &clear), 0);
  VtxTelephArgs after{};
  EXPECT_EQ(VtxCallSWGetConns(line_, &after), 0);
}

TEST_F(SwitchTest, TheDisconnectModeRemovesTheOneConnectionItNamesAndRefusesOneNotThere) {
  VtxTelephArgs tdm = Tdm(0, 0), other = Tdm(1, 1);
  ASSERT_EQ(VtxCallSWConnect(line_, &tdm), 0);
  ASSERT_EQ(VtxCallSWConnect(line_, &other), 0);
  VtxTelephArgs ip[2] = {};
  for (uint32_t unit = 0; unit < 2; ++unit) {
    ip[unit].conn_mode = 1 | VTX_CONN_MODE_NO_T38;
    ip[unit].src_port_unit = unit + 1;
    ip[unit].dest_port_class = VTX_PORT_CLASS_UDPTL;
    ASSERT_EQ(VtxCallSWConnectIP(line_, &ip[unit]), 0);
  }
  const auto& held = board().telephony().connections;
  ASSERT_EQ(held.size(), 4u);

  VtxTelephArgs undo = tdm;
  undo.conn_mode = VTX_CONN_MODE_DISCONNECT;
  EXPECT_EQ(VtxCallSWConnect(line_, &undo), 0);
  ASSERT_EQ(held.size(), 3u);
  EXPECT_EQ(held[0].dest.port.slot, 1u) << "the other time slot stays joined";
  // Not there any more: refused as a slot that is not assigned.
  EXPECT_EQ(VtxCallSWConnect(line_, &undo), 10);
  EXPECT_EQ(undo.status, CV_STATUS_ERROR);
  vtx::api::StatusText text;
  vtx::api::FormStatusText(line_, undo.status, undo.line_status, &text);
  EXPECT_NE(std::string(text.description).find("Slot not assigned"), std::string::npos);
  EXPECT_EQ(line_->reset_status & vtx::kResetSlotNotAssigned, vtx::kResetSlotNotAssigned);

  // An IP connection by its channel, and by its local port when one is named.
  VtxTelephArgs ip_undo{};
  ip_undo.conn_mode = VTX_CONN_MODE_DISCONNECT | VTX_CONN_MODE_NO_T38;
  ip_undo.src_port_unit = 2;
  ip_undo.dest_port_class = VTX_PORT_CLASS_UDPTL;
  ip_undo.udptl_opts.localAddr.sin_port = ip[0].udptl_opts.localAddr.sin_port;  // channel 1's port
  EXPECT_EQ(VtxCallSWConnectIP(line_, &ip_undo), 10);
  ip_undo.udptl_opts.localAddr.sin_port = ip[1].udptl_opts.localAddr.sin_port;
  EXPECT_EQ(VtxCallSWConnectIP(line_, &ip_undo), 0);
  ASSERT_EQ(held.size(), 2u);
  EXPECT_EQ(held[1].source.port.unit, 1u) << "channel 1 keeps its port";
  VtxTelephArgs any_port{};
  any_port.conn_mode = VTX_CONN_MODE_DISCONNECT | VTX_CONN_MODE_NO_T38;
  any_port.src_port_unit = 1;
  any_port.dest_port_class = VTX_PORT_CLASS_RTP;
  EXPECT_EQ(VtxCallSWConnectIP(line_, &any_port), 10) << "channel 1 holds no RTP port";
  any_port.dest_port_class = VTX_PORT_CLASS_UDPTL;
  EXPECT_EQ(VtxCallSWConnectIP(line_, &any_port), 0);
  EXPECT_EQ(held.size(), 1u);
}

TEST_F(SwitchTest, IncompleteAndDoublyIpAnswersAreRejected) {
  AnswerRequest(MILL_FACILITY_CALL_SW, CALL_SW_QUERY_CONN_REQUEST, CALL_SW_CONN_LIST_EVENT,
                {Int(CALL_SW_CONN_MODE_VAR, 1), Source()});
  TraceCapture trace;
  VtxTelephArgs args{};
  EXPECT_EQ(VtxCallSWGetConns(line_, &args), 0);
  EXPECT_TRUE(trace.Contains("Connection response contained incorrect elements."));
  EXPECT_EQ(args.iter_context, nullptr);

  AnswerRequest(MILL_FACILITY_CALL_SW, CALL_SW_QUERY_CONN_REQUEST, CALL_SW_CONN_LIST_EVENT,
                {Int(CALL_SW_CONN_MODE_VAR, 1),
                 sim::ListTag(CALL_SW_PCM_CONN_SOURCE_VAR, {Int(CALL_SW_PORT_CLASS_VAR, 12)}),
                 sim::ListTag(CALL_SW_PCM_CONN_DEST_VAR, {Int(CALL_SW_PORT_CLASS_VAR, 19)})});
  EXPECT_EQ(VtxCallSWGetConns(line_, &args), -1);
  EXPECT_EQ(args.line_status, APIERR_PACKET_PARSE);
  EXPECT_EQ(args.iter_context, nullptr);
}

TEST_F(SwitchTest, RtcpTagsFillTheOptionsOfTheSelectedSide) {
  VtxTelephArgs rtp{};
  rtp.conn_mode = 1;
  rtp.src_port_unit = 3;
  rtp.dest_port_class = 19;
  rtp.rtp_opts.remoteRTCPAddr = {2, 7001, {198, 51, 100, 1}, {}};
  ASSERT_EQ(VtxCallSWConnectIP(line_, &rtp), 0);
  VtxTelephArgs args{};
  ASSERT_EQ(VtxCallSWGetConns(line_, &args), 1);
  EXPECT_EQ(args.rtp_opts.localRTCPAddr.sin_port, 16385);
  EXPECT_EQ(args.rtp_opts.remoteRTCPAddr.sin_port, 7001);
  EXPECT_EQ(args.udptl_opts.remoteRTCPAddr.sin_port, 0);

  const std::array<uint8_t, 4> ip = {198, 51, 100, 2};
  AnswerRequest(
      MILL_FACILITY_CALL_SW, CALL_SW_QUERY_CONN_REQUEST, CALL_SW_CONN_LIST_EVENT,
      {Int(CALL_SW_CONN_MODE_VAR, 1), Source(),
       sim::ListTag(
           CALL_SW_PCM_CONN_DEST_VAR,
           {Int(CALL_SW_PORT_CLASS_VAR, 12), Int(CALL_SW_PORT_TYPE_VAR, 0),
            Int(CALL_SW_LOCAL_PORT_VAR, 9000, 1), Int(CALL_SW_REMOTE_RTCP_PORT_VAR, 9101, 1),
            sim::FwTag::Bytes(CALL_SW_LOCAL_RTCP_IP_VAR, MILL_TYPE_LONG, {ip.begin(), ip.end()}),
            Int(CALL_SW_LOCAL_RTCP_PORT_VAR, 9100, 1)})});
  VtxTelephArgs udptl{};
  ASSERT_EQ(VtxCallSWGetConns(line_, &udptl), 1);
  EXPECT_EQ(udptl.dest_port_class, 12u);
  EXPECT_EQ(udptl.udptl_opts.localAddr.sin_port, 9000);
  EXPECT_EQ(udptl.udptl_opts.remoteRTCPAddr.sin_port, 9101);
  EXPECT_EQ(udptl.udptl_opts.localRTCPAddr.sin_port, 9100);
  EXPECT_EQ(udptl.udptl_opts.localRTCPAddr.sin_addr[3], 2);
  EXPECT_EQ(udptl.rtp_opts.localRTCPAddr.sin_port, 0);
}

}  // namespace
