#include <gtest/gtest.h>

#include <cstring>

#include "api/line.h"
#include "sim/default_machine.h"
#include "tests/support/capture.h"
#include "tests/support/simulated_board.h"

namespace {

using vtx::testing::TraceCapture;

class LineAttachTest : public vtx::testing::SimulatedBoardTest {
 protected:
  static VtxLineArgs ForAddress(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    VtxLineArgs args{};
    const uint8_t address[4] = {b0, b1, b2, b3};
    memcpy(args.dest_addr, address, 4);
    return args;
  }
  static void Detach(VtxLine* line) {
    VtxLineArgs args{};
    EXPECT_EQ(VtxLineDetach(line, &args), 0);
  }
};

TEST_F(LineAttachTest, UnitAttachesItsChannelAndWatchesTheModule) {
  sim::MakeBoard(machine().AddModule(4), "SPANNER", 8, 512);
  TraceCapture trace(0x4);
  VtxLineArgs args{};
  args.unit = 0x0203;
  VtxLine* line = VtxLineAttach(&args);
  ASSERT_NE(line, nullptr) << args.line_status;
  EXPECT_EQ(line->ordinal, 515);
  const uint8_t dest[4] = {0x02, 0x03, 0x00, 0x00};
  EXPECT_EQ(memcmp(args.dest_addr, dest, 4), 0);
  EXPECT_TRUE(trace.Contains("API Version 5.0.0 (Build 17)"));
  EXPECT_TRUE(trace.Contains("Communicating with address: 7F.02.04.03"));
  EXPECT_TRUE(args.present && args.unique && args.reset_on_close && args.err_on_deact);
  EXPECT_TRUE(line->deact_notices);
  EXPECT_EQ(machine().WatcherCount(), 1u);
  EXPECT_EQ(memcmp(args.local_addr, line->own_addr, 4), 0);
  Detach(line);
  EXPECT_EQ(machine().OpenConnections(), 0u);
  EXPECT_EQ(machine().WatcherCount(), 0u) << "a destroyed session's notices go with it";
}

TEST_F(LineAttachTest, ExplicitAddressesPresentOrNot) {
  TraceCapture trace(0x4);
  VtxLineArgs args = ForAddress(0x01, 0x01, 0x02, 0x00);
  args.present = 1;
  VtxLine* line = VtxSessionAttach(&args);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->ordinal, -1);
  const uint8_t remote[4] = {0x7F, 0x01, 0x02, 0x00};
  EXPECT_EQ(memcmp(line->dest_addr, remote, 4), 0) << "associated with the any-facility byte";
  Detach(line);

  VtxLineArgs absent = ForAddress(0x01, 0x01, 0x09, 0x00);
  line = VtxSessionAttach(&absent);
  ASSERT_NE(line, nullptr) << "an absent address attaches when it need not be present";
  Detach(line);
  absent.present = 1;
  EXPECT_EQ(VtxSessionAttach(&absent), nullptr);
  EXPECT_EQ(absent.status, CV_STATUS_ERROR);
  EXPECT_EQ(absent.line_status, APIERR_INVALID_DEST_ADDR);
  EXPECT_EQ(machine().OpenConnections(), 0u) << "the failed attach released its connection";

  VtxLineArgs far = ForAddress(0x0F, 0xD0, 0x00, 0x00);  // ordinal 4048
  EXPECT_EQ(VtxSessionAttach(&far), nullptr);
  EXPECT_EQ(far.line_status, APIERR_BADPARAMETER);
}

TEST_F(LineAttachTest, AddressInUseDependsOnUnique) {
  VtxLineArgs first{};
  first.unit = 1;
  VtxLine* holder = VtxLineAttach(&first);
  ASSERT_NE(holder, nullptr);
  VtxLineArgs shared = ForAddress(0x00, 0x01, 0x00, 0x00);
  VtxLine* monitor = VtxSessionAttach(&shared);
  EXPECT_NE(monitor, nullptr) << "unique 0 shares the channel";
  VtxLineArgs exclusive = ForAddress(0x00, 0x01, 0x00, 0x00);
  exclusive.unique = 1;
  EXPECT_EQ(VtxSessionAttach(&exclusive), nullptr);
  EXPECT_EQ(exclusive.status, CV_STATUS_ERROR);
  EXPECT_EQ(exclusive.line_status, APIERR_BUSY);
  Detach(monitor);
  Detach(holder);
}

TEST_F(LineAttachTest, SearchSkipsBusyChannelsUntilNoneIsLeft) {
  std::vector<VtxLine*> lines;
  for (int i = 0; i < 12; ++i) {  // the default machine has 8 + 4 channels
    VtxLineArgs args{};
    args.unit = -1;
    VtxLine* line = VtxLineAttach(&args);
    ASSERT_NE(line, nullptr) << i;
    EXPECT_EQ(args.unit, i);
    lines.push_back(line);
  }
  VtxLineArgs args{};
  args.unit = -1;
  EXPECT_EQ(VtxLineAttach(&args), nullptr);
  EXPECT_EQ(args.status, CV_STATUS_ERROR);
  EXPECT_EQ(args.line_status, APIERR_BUSY);
  EXPECT_EQ(args.unit, 12);
  for (VtxLine* line : lines) Detach(line);
}

TEST_F(LineAttachTest, AsyncContextIsRefused) {
  VtxLineArgs args{};
  args.unit = 0;
  args.async_lp = 5;
  EXPECT_EQ(VtxLineAttach(&args), nullptr);
  EXPECT_EQ(args.line_status, APIERR_ASYNC_LP_ERR);
  args.async_lp = 0;
  VtxLine* line = VtxLineAttach(&args);
  ASSERT_NE(line, nullptr);
  VtxLineArgs detach{};
  detach.async_lp = 1;
  EXPECT_EQ(VtxLineDetach(line, &detach), -1);
  EXPECT_EQ(detach.line_status, APIERR_ASYNC_LP_ERR);
  EXPECT_EQ(machine().OpenConnections(), 1u) << "the line stays attached";
  Detach(line);
}

TEST_F(LineAttachTest, FailedSessionCreateReleasesEverything) {
  int allocations = 0;
  static int* counter;
  counter = &allocations;
  VtxMemAllocFuncsSet(
      [](size_t size, int32_t, uint32_t tag) {
        *counter += tag == 1;
        return malloc(size);
      },
      nullptr);
  machine().InjectFault(VTX_DRV_SESSION_CREATE, sim::Fault{0, GDI_STS_RESOURCES});
  VtxLineArgs args{};
  args.unit = 0;
  EXPECT_EQ(VtxLineAttach(&args), nullptr);
  EXPECT_EQ(args.line_status, APIERR_DRV_RESOURCES);
  EXPECT_EQ(allocations, 1);
  EXPECT_EQ(machine().OpenConnections(), 0u);
  VtxMemAllocFuncsSet(nullptr, nullptr);
}

}  // namespace
