#include <gtest/gtest.h>

#include <vector>

#include "admin.h"
#include "api/reset_status.h"
#include "common.h"
#include "fax.h"
#include "tests/support/attached_line.h"
#include "tests/support/capture.h"

namespace {

using vtx::testing::TraceCapture;

constexpr uint32_t kVar = 0x20;

class VariablesTest : public vtx::testing::AttachedLineTest {
 protected:
  static MillArgs Set(uint32_t type, uint32_t value) {
    MillArgs args = AdminArgs(0);
    args.tag_id = kVar;
    args.tag_type = type;
    args.var_value = value;
    return args;
  }
  static MillArgs Get(uint32_t id) {
    MillArgs args = AdminArgs(0, 0, 0);
    args.tag_id = id;
    return args;
  }
  const sim::FwTag* Stored(uint32_t channel, uint32_t id) {
    auto found = board().variables().find({MILL_FACILITY_ADMIN, channel, id});
    return found == board().variables().end() ? nullptr : &found->second;
  }
};

TEST_F(VariablesTest, SetSingleVarSendsTheIntegerLittleEndianPerChannel) {
  MillArgs args = Set(MILL_TYPE_SHORT, 0x1234);
  EXPECT_EQ(VtxSetSingleVar(line_, &args), 1);
  auto log = board().CommandLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].verb, static_cast<uint32_t>(MILL_VERB_SET));
  ASSERT_EQ(log[0].tags.size(), 1u);
  EXPECT_EQ(log[0].tags[0].type, MILL_TYPE_SHORT);
  EXPECT_EQ(log[0].tags[0].data, (std::vector<uint8_t>{0x34, 0x12}));
  ASSERT_NE(Stored(1, kVar), nullptr) << "kept for channel 1";
  EXPECT_EQ(Stored(sim::kModuleItself, kVar), nullptr);

  // The same variable on the module itself and on another channel are separate.
  args = Set(MILL_TYPE_BYTE, 7);
  args.use_alt_chan = 1;
  EXPECT_EQ(VtxSetSingleVar(line_, &args), 1);
  VtxLine* other = Attach(2);
  ASSERT_NE(other, nullptr);
  args = Set(MILL_TYPE_BYTE, 9);
  EXPECT_EQ(VtxSetSingleVar(other, &args), 1);
  ASSERT_NE(Stored(sim::kModuleItself, kVar), nullptr);
  EXPECT_EQ(Stored(sim::kModuleItself, kVar)->data, std::vector<uint8_t>{7});
  EXPECT_EQ(Stored(2, kVar)->data, std::vector<uint8_t>{9});
  MillArgs get = Get(kVar);
  VtxGetVar(other, &get);
  EXPECT_EQ(get.var_value, 9u) << "each channel reads its own";
  Detach(other);
}

TEST_F(VariablesTest, RefusalsSendNothing) {
  TraceCapture trace(0x8);
  MillArgs args = Set(MILL_TYPE_LIST, 0);
  EXPECT_EQ(VtxSetSingleVar(line_, &args), 2);
  EXPECT_EQ(args.status, CV_STATUS_ERROR);
  EXPECT_EQ(args.line_status, APIERR_PACKET_CREATION);
  EXPECT_TRUE(trace.Contains("MillFormTag- Tag data size cannot be 0 for non-integer."));

  args = Set(0, 0);
  const MillTagItem empty[] = {{0, 0, 0, nullptr}};
  EXPECT_EQ(VtxSetVars(line_, &args, empty), 2);
  EXPECT_EQ(args.line_status, APIERR_BADPARAMETER);
  EXPECT_NE(line_->reset_status & vtx::kResetTransfer, 0u);
  EXPECT_TRUE(board().CommandLog().empty());
}

TEST_F(VariablesTest, GetVarReturnsTheTagInTheReceiveBuffer) {
  board().built_in_variables()[{MILL_FACILITY_ADMIN, kVar}] =
      sim::FwTag::Int(kVar, MILL_TYPE_LONG, 0x12345678);
  board().built_in_variables()[{MILL_FACILITY_ADMIN, 0x21}] =
      sim::FwTag::Bytes(0x21, MILL_TYPE_LIST, {0x03, 0x05, 0x00, 0x01});
  MillArgs get = Get(kVar);
  VtxGetVar(line_, &get);
  ASSERT_EQ(get.status, CV_STATUS_OK);
  EXPECT_EQ(get.tag_type, MILL_TYPE_LONG);
  EXPECT_EQ(get.tag_data_len, 4u);
  EXPECT_EQ(get.var_value, 0x12345678u);
  ASSERT_GE(get.tag_data_ptr, line_->receive_buffer);
  ASSERT_LE(get.tag_data_ptr + 4, line_->receive_buffer + sizeof line_->receive_buffer);
  EXPECT_EQ(get.tag_data_ptr[0], 0x78);
  EXPECT_EQ(get.tag_data_ptr[3], 0x12);

  uint8_t own[200];
  get = Get(0x21);
  get.pkt_buf = own;
  get.pkt_len = sizeof own;
  get.var_value = 0xABCD;
  VtxGetVar(line_, &get);
  ASSERT_EQ(get.status, CV_STATUS_OK);
  EXPECT_EQ(get.var_value, 0xABCDu) << "a List has no integer";
  EXPECT_EQ(get.tag_data_len, 4u);
  EXPECT_TRUE(get.tag_data_ptr > own && get.tag_data_ptr < own + sizeof own);
}

TEST_F(VariablesTest, GetRspWithoutTheTagIsSkipped) {
  board().built_in_variables()[{MILL_FACILITY_ADMIN, kVar}] =
      sim::FwTag::Int(kVar, MILL_TYPE_SHORT, 0xBEEF);
  board().get_rsp_before = {{sim::FwTag::Int(0x22, MILL_TYPE_BYTE, 1)}};
  board().get_rsp_extra_tags = {sim::FwTag::Int(0x23, MILL_TYPE_LONG, 2)};
  MillArgs get = Get(kVar);
  VtxGetVar(line_, &get);
  EXPECT_EQ(get.status, CV_STATUS_OK);
  EXPECT_EQ(get.tag_type, MILL_TYPE_SHORT);
  EXPECT_EQ(get.var_value, 0xBEEFu);
}

}  // namespace
