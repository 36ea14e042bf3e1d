#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "admin.h"
#include "api/driver_access.h"
#include "common.h"
#include "hostctrl.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "tests/support/attached_line.h"

namespace {

using sim::FwTag;

class RoutingTest : public vtx::testing::AttachedLineTest {
 protected:
  // Sends one command from `from` to the 4-byte address `dest`.
  static int SendTo(VtxLine* from, const uint8_t dest[4], uint32_t verb, uint32_t code,
                    const MillTagItem* tags) {
    uint8_t command[256];
    uint8_t packet[300];
    MillArgs args{};
    args.cmd_buf = command;
    args.verb = verb;
    args.code = code;
    MillFormCmd(&args, tags);
    memcpy(args.dest_addr, dest, 4);
    memcpy(args.src_addr, from->own_addr, 4);
    vtx::packet::FormPacketAt(&args, packet);
    args.timeout = 1000;
    return MillSendPkt(from, &args);
  }
  static MillArgs WaitFor(VtxLine* line, uint32_t facility, uint32_t verb, uint32_t code,
                          uint32_t timeout, int* result) {
    MillArgs args{};
    args.facility = facility;
    args.verb = verb;
    args.code = code;
    args.timeout = timeout;
    args.no_drain = 1;
    *result = MillWaitCmd(line, &args);
    return args;
  }
  static void Get(VtxLine* line) {
    MillArgs get = AdminArgs(MILL_VERB_GET);
    const MillTagItem ids[] = {{0x20, 0, 0, MILL_TAG_VALUE(0)}, {0, 0, 0, 0}};
    EXPECT_EQ(MillFormSendCmd(line, &get, ids), 1);
  }
};

TEST_F(RoutingTest, SessionAddressedPacketsReachThatSession) {
  VtxLine* other = Attach(2);
  ASSERT_NE(other, nullptr);
  const MillTagItem tags[] = {{0x10, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(77)}, {0, 0, 0, 0}};
  EXPECT_EQ(SendTo(line_, other->own_addr, MILL_VERB_EVENT, 6, tags), 1);
  int result;
  MillArgs got = WaitFor(other, 0x40, MILL_VERB_EVENT, 6, 1000, &result);
  EXPECT_EQ(result, 1) << got.status;
  EXPECT_TRUE(board().CommandLog().empty()) << "no firmware saw it";

  // What the sender queued and the receiver has not taken yet, the sender can clear.
  EXPECT_EQ(SendTo(line_, other->own_addr, MILL_VERB_EVENT, 6, tags), 1);
  MillArgs clear{};
  memcpy(clear.dest_addr, other->own_addr, 4);
  MillClearOutput(line_, &clear);
  EXPECT_EQ(clear.status, CV_STATUS_OK);
  WaitFor(other, 0x40, MILL_VERB_EVENT, 6, 0, &result);
  EXPECT_EQ(result, 0);
  Detach(other);
}

TEST_F(RoutingTest, ClearInputEmptiesTheQueue) {
  Get(line_);
  Get(line_);
  MillArgs clear{};
  MillClearInput(line_, &clear);
  EXPECT_EQ(clear.status, CV_STATUS_OK);
  MillArgs receive{};
  EXPECT_EQ(MillReceivePkt(line_, &receive), 2);
  EXPECT_EQ(receive.status, CV_STATUS_TIMEOUT);
  clear.async_lp = 1;
  MillClearInput(line_, &clear);
  EXPECT_EQ(clear.line_status, APIERR_ASYNC_LP_ERR);
}

TEST_F(RoutingTest, HandlersCanBeReplacedDelayedAndDropped) {
  board().firmware().Set(MILL_FACILITY_ADMIN, MILL_VERB_REQUEST, ADMIN_CHANNEL_RESET_REQUEST,
                         [](const sim::FwCommand& cmd, sim::FwAnswer& answer) {
                           answer.Packet().Event(
                               ADMIN_CHANNEL_RESET_DONE_EVENT,
                               {FwTag::Int(COMMON_RESULT_CODE_VAR, MILL_TYPE_BYTE, cmd.code)});
                         });
  MillArgs reset = AdminArgs(MILL_VERB_REQUEST, ADMIN_CHANNEL_RESET_REQUEST);
  EXPECT_EQ(MillFormSendCmd(line_, &reset, nullptr), 1);
  int result;
  MillArgs done = WaitFor(line_, MILL_FACILITY_ADMIN, MILL_VERB_EVENT,
                          ADMIN_CHANNEL_RESET_DONE_EVENT, 1000, &result);
  ASSERT_EQ(result, 1);
  ASSERT_EQ(MillGetTag(&done), 1);
  EXPECT_EQ(MillGetTagInt(&done), ADMIN_CHANNEL_RESET_REQUEST);
  ASSERT_EQ(board().CommandLog().size(), 1u);
  EXPECT_EQ(board().CommandLog()[0].code, static_cast<uint32_t>(ADMIN_CHANNEL_RESET_REQUEST));

  board().drop_replies = 1;
  Get(line_);
  WaitFor(line_, MILL_FACILITY_ADMIN, MILL_VERB_EVENT, COMMON_GET_RSP_EVENT, 20, &result);
  EXPECT_EQ(result, 0) << "dropped";

  board().reply_delay_ms = 5000;
  machine().SetTimeScale(0.01);  // 50 ms
  Get(line_);
  WaitFor(line_, MILL_FACILITY_ADMIN, MILL_VERB_EVENT, COMMON_GET_RSP_EVENT, 0, &result);
  EXPECT_EQ(result, 0) << "not there yet";
  WaitFor(line_, MILL_FACILITY_ADMIN, MILL_VERB_EVENT, COMMON_GET_RSP_EVENT, 10000, &result);
  EXPECT_EQ(result, 1) << "delivered late";
}

TEST_F(RoutingTest, NameRegistryIsSharedBySessions) {
  VtxLine* other = Attach(2);
  ASSERT_NE(other, nullptr);
  const uint8_t host[4] = {MILL_FACILITY_HOST_CTRL, 1, 1, 0};
  const char name[] = "ECC_FACILITY_MODULE_2";
  const MillTagItem tags[] = {{HOST_CTRL_NAME_VAR, 0x10, sizeof name, name}, {0, 0, 0, 0}};
  EXPECT_EQ(SendTo(line_, host, MILL_VERB_REQUEST, HOST_CTRL_NAME_ADD_REQUEST, tags), 1);
  int result;
  WaitFor(line_, MILL_FACILITY_HOST_CTRL, MILL_VERB_EVENT, HOST_CTRL_RETURN_STATUS_EVENT, 1000,
          &result);
  EXPECT_EQ(result, 1);
  ASSERT_EQ(machine().Names().count(name), 1u);

  EXPECT_EQ(SendTo(other, host, MILL_VERB_REQUEST, HOST_CTRL_NAME_GET_FIRST_REQUEST, tags), 1);
  MillArgs found = WaitFor(other, MILL_FACILITY_HOST_CTRL, MILL_VERB_EVENT,
                           HOST_CTRL_NAME_FOUND_EVENT, 1000, &result);
  ASSERT_EQ(result, 1);
  bool address_seen = false;
  while (MillGetTag(&found) == 1) {
    if (found.tag_id == HOST_CTRL_SESSION_ADDRESS_VAR) {
      address_seen = memcmp(found.tag_data_ptr, line_->own_addr, 4) == 0;
    }
  }
  EXPECT_TRUE(address_seen);

  EXPECT_EQ(SendTo(other, host, MILL_VERB_REQUEST, HOST_CTRL_NAME_DELETE_REQUEST, tags), 1);
  WaitFor(other, MILL_FACILITY_HOST_CTRL, MILL_VERB_EVENT, HOST_CTRL_RETURN_STATUS_EVENT, 1000,
          &result);
  EXPECT_TRUE(machine().Names().empty());
  Detach(other);
}

TEST_F(RoutingTest, WaitingReceiveReleasesTheMachine) {
  std::atomic<int> result{0};
  MillArgs args = AdminArgs(MILL_VERB_EVENT, ADMIN_CHANNEL_RESET_DONE_EVENT, 10000);
  std::thread waiter([&] { result = MillWaitCmd(line_, &args); });
  // Other connections are served meanwhile.
  VtxModuleInfoArgs info{};
  info.mod_num = 3;
  EXPECT_EQ(VtxModuleInfo(nullptr, &info), 0);
  sim::FwPacket event;
  event.Event(ADMIN_CHANNEL_RESET_DONE_EVENT).Facility(MILL_FACILITY_ADMIN);
  while (machine().InjectEvent(2, 1, event) == 0) std::this_thread::yield();
  waiter.join();
  EXPECT_EQ(result.load(), 1);
}

TEST_F(RoutingTest, DestroyedSessionWakesItsWaitingReceive) {
  VtxLine line;
  ASSERT_EQ(vtx::DriverOpenHandshake(&line.drv_handle, &line.drv_version), vtx::kDriverReady);
  VtxResult created{};
  ASSERT_EQ(vtx::SessionCreate(&line, vtx::SessionParams{}, &line.session, line.own_addr, &created),
            0);
  MillArgs args{};
  args.timeout = 0xFFFFFFFF;
  int result = 0;
  const uint64_t receives = machine().RequestCount(VTX_DRV_MSG_RECEIVE);
  std::thread waiter([&] { result = vtx::packet::ReceivePkt(&line, &args); });
  while (machine().RequestCount(VTX_DRV_MSG_RECEIVE) == receives) std::this_thread::yield();
  machine().Close(line.drv_handle);
  waiter.join();
  EXPECT_EQ(result, 2);
  EXPECT_EQ(args.status, CV_STATUS_ERROR);
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_INVALID_PORT));
}

}  // namespace
