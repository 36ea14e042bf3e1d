// What the simulated driver guarantees every client whatever the others do: own addresses that
// no other live session holds, input queues that cannot grow without bound, and receives that a
// server can hold without a thread while they wait.
#include <gtest/gtest.h>

#include <cstring>

#include "sim/machine.h"
#include "vtx.h"

namespace {

class SessionLimitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = sim::Machine::Default();
    int error = 0;
    first_ = machine_->Open(VTX_DRIVER_DEVICE, error);
    second_ = machine_->Open(VTX_DRIVER_DEVICE, error);
  }

  // Serves `block` of `subcommand` on `connection` and copies the answered block back.
  template <typename Block>
  void Request(int connection, uint32_t subcommand, Block& block) {
    sim::wire::Bytes request, response;
    sim::wire::EncodeRequest(subcommand, &block, request);
    machine_->Serve(connection, request.data(), request.size(), response);
    ASSERT_EQ(sim::wire::DecodeResponse(subcommand, response, &block), 0);
  }
  // A session on `connection` with the own address `own` (zero: one assigned): its block.
  VtxDrvSessionBlock Create(int connection, const uint8_t own[4]) {
    VtxDrvSessionBlock block{};
    memcpy(block.address, own, 4);
    Request(connection, VTX_DRV_SESSION_CREATE, block);
    return block;
  }
  VtxDrvMsgBlock ReceiveBlock(uint32_t session, uint32_t timeout_ms) {
    VtxDrvMsgBlock block{};
    block.session = session;
    block.buffer = buffer_;
    block.length = sizeof buffer_;
    block.timeout_ms = timeout_ms;
    return block;
  }

  std::unique_ptr<sim::Machine> machine_;
  int first_ = -1, second_ = -1;
  uint8_t buffer_[MILL_RECEIVE_BUFFER] = {};
};

TEST_F(SessionLimitsTest, AnAddressAnotherSessionHoldsIsRefused) {
  const uint8_t none[4] = {};
  VtxDrvSessionBlock victim = Create(first_, none);
  ASSERT_EQ(victim.drv_status, GDI_STS_OK);
  VtxDrvAssocBlock assoc{};
  assoc.session = victim.session;
  const uint8_t channel[4] = {0x7F, 2, 2, 1};  // any facility of module 2's channel 1
  memcpy(assoc.address, channel, 4);
  Request(first_, VTX_DRV_ADDRESS_ASSOC, assoc);
  ASSERT_EQ(assoc.drv_status, GDI_STS_OK);

  // Another client may take neither the victim's own address nor the channel it talks to, with
  // any facility byte: the victim's packets and the board's replies would reach it.
  const uint8_t same_channel[4] = {0x12, 2, 2, 1};
  EXPECT_EQ(Create(second_, same_channel).drv_status, GDI_STS_ADDRESS_IN_USE);
  EXPECT_EQ(Create(second_, victim.address).drv_status, GDI_STS_ADDRESS_IN_USE);
  const uint8_t other_channel[4] = {0x12, 2, 2, 2};
  EXPECT_EQ(Create(second_, other_channel).drv_status, GDI_STS_OK);

  // Nor may a session that took a board address first have the packets of the clients that
  // talk to that address later.
  VtxDrvAssocBlock later{};
  later.session = victim.session;
  memcpy(later.address, other_channel, 4);
  Request(first_, VTX_DRV_ADDRESS_ASSOC, later);
  EXPECT_EQ(later.drv_status, GDI_STS_ADDRESS_IN_USE);

  // Once the victim's connection is gone, its addresses are free.
  machine_->Close(first_);
  EXPECT_EQ(Create(second_, same_channel).drv_status, GDI_STS_OK);
}

TEST_F(SessionLimitsTest, AssignedAddressesAreNeverHandedOutTwice) {
  const uint8_t none[4] = {};
  std::vector<VtxDrvSessionBlock> held;
  for (int i = 0; i < 127; ++i) {
    held.push_back(Create(i % 2 ? first_ : second_, none));
    ASSERT_EQ(held.back().drv_status, GDI_STS_OK) << i;
    for (size_t j = 0; j + 1 < held.size(); ++j) {
      ASSERT_NE(memcmp(held[j].address, held.back().address, 4), 0) << i << " repeats " << j;
    }
  }
  EXPECT_EQ(Create(first_, none).drv_status, GDI_STS_RESOURCES) << "every host address is held";

  VtxDrvSessionBlock freed = held[40];
  Request(second_, VTX_DRV_SESSION_DESTROY, freed);
  ASSERT_EQ(freed.drv_status, GDI_STS_OK);
  VtxDrvSessionBlock again = Create(first_, none);
  ASSERT_EQ(again.drv_status, GDI_STS_OK);
  EXPECT_EQ(memcmp(again.address, held[40].address, 4), 0);
}

TEST_F(SessionLimitsTest, AFullQueueDropsAndTheNextReceiveReportsTheOverrun) {
  machine_->SetQueueLimit(3);
  const uint8_t none[4] = {};
  VtxDrvSessionBlock session = Create(first_, none);
  for (uint8_t i = 0; i < 5; ++i) EXPECT_TRUE(machine_->InjectRaw(session.address, {i, i, i}));
  VtxDrvMsgBlock receive = ReceiveBlock(session.session, 0);
  Request(first_, VTX_DRV_MSG_RECEIVE, receive);
  EXPECT_EQ(receive.drv_status, GDI_STS_OVERFLOW);
  for (uint8_t i = 0; i < 3; ++i) {
    receive = ReceiveBlock(session.session, 0);
    Request(first_, VTX_DRV_MSG_RECEIVE, receive);
    EXPECT_EQ(receive.drv_status, GDI_STS_OK);
    EXPECT_EQ(buffer_[0], i) << "the packets kept are the first ones";
  }
  receive = ReceiveBlock(session.session, 0);
  Request(first_, VTX_DRV_MSG_RECEIVE, receive);
  EXPECT_EQ(receive.drv_status, GDI_STS_NODATA);
}

TEST_F(SessionLimitsTest, AParkedReceiveCompletesOnArrivalTimeOutOrSessionEnd) {
  int changes = 0;
  machine_->SetChangeHook([&changes] { ++changes; });
  const uint8_t none[4] = {};
  VtxDrvSessionBlock session = Create(first_, none);
  sim::Machine::ParkedReceive parked;
  sim::wire::Bytes request, response;
  auto park = [&](uint32_t timeout_ms) {
    VtxDrvMsgBlock receive = ReceiveBlock(session.session, timeout_ms);
    sim::wire::EncodeRequest(VTX_DRV_MSG_RECEIVE, &receive, request);
    return machine_->ServeWithoutWaiting(first_, request.data(), request.size(), response, parked);
  };
  auto answer = [&] {
    VtxDrvMsgBlock receive = ReceiveBlock(session.session, 0);
    EXPECT_EQ(sim::wire::DecodeResponse(VTX_DRV_MSG_RECEIVE, response, &receive), 0);
    return receive;
  };

  // Without limit: it waits until a packet arrives, and the server is told of the arrival.
  ASSERT_FALSE(park(0xFFFFFFFF));
  EXPECT_FALSE(machine_->Resume(first_, parked, response));
  EXPECT_TRUE(machine_->InjectRaw(session.address, {7, 8, 9}));
  EXPECT_GT(changes, 0);
  ASSERT_TRUE(machine_->Resume(first_, parked, response));
  VtxDrvMsgBlock got = answer();
  EXPECT_EQ(got.drv_status, GDI_STS_OK);
  EXPECT_EQ(got.length, 3u);
  EXPECT_EQ(buffer_[2], 9);

  // With a limit: no data once its time has passed.
  ASSERT_FALSE(park(1));
  while (sim::SimClock::now() <= parked.retry_at) {
  }
  ASSERT_TRUE(machine_->Resume(first_, parked, response));
  EXPECT_EQ(answer().drv_status, GDI_STS_NODATA);

  // Its session destroyed meanwhile: the handle is bad.
  ASSERT_FALSE(park(0xFFFFFFFF));
  VtxDrvSessionBlock destroy = session;
  Request(first_, VTX_DRV_SESSION_DESTROY, destroy);
  ASSERT_TRUE(machine_->Resume(first_, parked, response));
  EXPECT_EQ(answer().drv_status, GDI_STS_SESSIONHANDLEBAD);
  machine_->SetChangeHook(nullptr);
}

}  // namespace
