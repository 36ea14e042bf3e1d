#include <gtest/gtest.h>

#include "hostctrl.h"
#include "tests/support/attached_line.h"
#include "trace/api_log.h"
#include "trace/cc_trace.h"

namespace {

class DistributionTest : public vtx::testing::AttachedLineTest {
 protected:
  void SetUp() override {
    AttachedLineTest::SetUp();
    saved_mask_ = vtx::trace::ExchangeMask(0);
    saved_options_ = vtx::trace::FunctionOptions();
  }
  void TearDown() override {
    vtx::trace::ExchangeMask(saved_mask_);
    vtx::trace::SetFunctionOptions(saved_options_);
    AttachedLineTest::TearDown();
  }
  // EXT_DEBUG requests that reached a module's firmware.
  static size_t ExtDebugCount(sim::Module& module, uint8_t address_facility) {
    size_t count = 0;
    for (const auto& cmd : module.CommandLog()) {
      count += cmd.facility == MILL_FACILITY_HOST_CTRL && cmd.verb == MILL_VERB_REQUEST &&
               cmd.code == HOST_CTRL_EXT_DEBUG_REQUEST && cmd.address[0] == address_facility;
    }
    return count;
  }
  uint32_t saved_mask_ = 0;
  uint32_t saved_options_ = 0;
};

TEST_F(DistributionTest, TheChannelsUserAppliesTheRecord) {
  VtxDebugControlArgs args{};
  args.debug_options = VTX_DEBUG_DISTRIBUTE | VTX_DEBUG_SET_MODE | VTX_DEBUG_SET_FUNC_OPTS;
  args.debug_mode = 0x6;
  args.debug_func_dbg_opts = 1;
  args.target_ordinal = 1;
  EXPECT_EQ(VtxDebugControl(&args), 0) << args.line_status;
  EXPECT_EQ(vtx::trace::Mask(), 0u) << "not applied by the sender";
  MillArgs receive{};
  EXPECT_EQ(VtxRcvProcessPkt(line_, &receive), 1);
  EXPECT_EQ(vtx::trace::Mask(), 0x6u);
  EXPECT_EQ(vtx::trace::FunctionOptions(), 1u);
  EXPECT_EQ(machine().OpenConnections(), 1u) << "the distribution closed its session";
}

TEST_F(DistributionTest, EveryOrdinalAndTheFirstCallControlServer) {
  VtxDebugControlArgs args{};
  args.debug_options = VTX_DEBUG_DISTRIBUTE | VTX_DEBUG_SET_MODE | VTX_DEBUG_CC_API;
  args.debug_mode = 0x8;
  args.debug_cc_trace_level = 4;
  args.target_ordinal = -1;
  EXPECT_EQ(VtxDebugControl(&args), 0) << args.line_status;
  // Module 2's channels but the attached one, all of module 3's.
  EXPECT_EQ(ExtDebugCount(board(), MILL_FACILITY_HOST_CTRL), 7u);
  EXPECT_EQ(ExtDebugCount(*machine().FindModule(3), MILL_FACILITY_HOST_CTRL), 4u);
  EXPECT_EQ(ExtDebugCount(board(), 0x12), 1u) << "module 2 serves call control first";
  EXPECT_EQ(ExtDebugCount(*machine().FindModule(3), 0x12), 0u);
  EXPECT_EQ(vtx::trace::cc::GetCategory(vtx::trace::cc::kApiTrace).level, 4);
  MillArgs receive{};
  EXPECT_EQ(VtxRcvProcessPkt(line_, &receive), 1);
  EXPECT_EQ(vtx::trace::Mask(), 0x8u);
}

}  // namespace
