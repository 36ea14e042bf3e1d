#include <gtest/gtest.h>

#include <string>

#include "admin.h"
#include "common.h"
#include "tests/support/attached_line.h"
#include "tests/support/capture.h"

namespace vtx::testing {
namespace {

class FeatureQueryTest : public AttachedLineTest {
 protected:
  // The module's features, and a reset that configures the line for them.
  void Features(std::vector<std::string> features, uint32_t capabilities = 0x10) {
    board().report.features = std::move(features);
    board().report.capabilities[MILL_FACILITY_ADMIN] = {true,
                                                        {{COMMON_CAPABILITIES_VAR, capabilities}}};
    VtxLineArgs args{};
    args.skip_teleph = 1;
    ASSERT_EQ(VtxLineReset(line_, &args), 0);
    board().ClearCommandLog();
  }
  VtxFeatureArgs Query() {
    VtxFeatureArgs args{};
    VtxFeatureSetQuery(line_, &args);
    return args;
  }
  size_t Queries() {
    return Received(board(), sim::kAnyFacility, kAnyVerb, ADMIN_FTRL_QUERY_REQUEST).size();
  }
};

TEST_F(FeatureQueryTest, EnumeratesOneFeaturePerCallAndStartsOverAfterTheEnd) {
  Features({"FAX#T", "PORTS=4", "NAME$abc"});
  VtxFeatureArgs f = Query();
  EXPECT_EQ(+f.status, CV_STATUS_OK);
  EXPECT_STREQ(f.key, "FAX");
  EXPECT_EQ(+f.type, VTX_FEATURE_BOOLEAN);
  EXPECT_EQ(+f.value_int, 1);
  f = Query();
  EXPECT_STREQ(f.key, "PORTS");
  EXPECT_EQ(+f.type, VTX_FEATURE_INTEGER);
  EXPECT_EQ(+f.value_int, 4);
  f = Query();
  EXPECT_STREQ(f.key, "NAME");
  EXPECT_EQ(+f.type, VTX_FEATURE_TEXT);
  EXPECT_STREQ(f.output_value_string, "abc");
  EXPECT_EQ(line_->firmware.op_in_progress, kOpFeatureList);
  f = Query();
  EXPECT_EQ(+f.status, CV_STATUS_OK);
  EXPECT_STREQ(f.key, "");
  EXPECT_EQ(line_->firmware.op_in_progress, 0u);
  EXPECT_EQ(Queries(), 1u);
  f = Query();
  EXPECT_STREQ(f.key, "FAX");
  EXPECT_EQ(Queries(), 2u);
}

TEST_F(FeatureQueryTest, ValuesAndMalformedTexts) {
  Features({"X#Q", "Off#F", "Neg= -12", "#T", "AB?1", "MY_KEY#T"});
  TraceCapture trace;
  VtxFeatureArgs f = Query();
  EXPECT_EQ(+f.value_int, 1);  // anything but 'F' is true
  EXPECT_EQ(+Query().value_int, 0);
  EXPECT_EQ(+Query().value_int, -12);
  f = Query();
  EXPECT_EQ(+f.status, static_cast<uint32_t>(CV_STATUS_ERROR));
  EXPECT_EQ(+f.line_status, static_cast<uint32_t>(APIERR_INVALID_BOARD_PARAM));
  EXPECT_TRUE(trace.Contains("Feature error, key name not found"));
  // A failure leaves the enumeration under way: the next call reads the next feature.
  f = Query();
  EXPECT_EQ(+f.line_status, static_cast<uint32_t>(APIERR_INVALID_BOARD_PARAM));
  EXPECT_TRUE(trace.Contains("Feature error, key AB unknown type 63"));
  f = Query();
  EXPECT_STREQ(f.key, "MY");
  EXPECT_EQ(+f.type, '_');
  EXPECT_EQ(+f.line_status, static_cast<uint32_t>(APIERR_INVALID_BOARD_PARAM));
  EXPECT_EQ(Queries(), 1u);
  EXPECT_TRUE(trace.Contains("Feature: X = T"));
  EXPECT_TRUE(trace.Contains("Feature: Neg = -12"));
}

TEST_F(FeatureQueryTest, WithoutTheCapabilityNothingIsSent) {
  Features({"FAX#T"}, 0);
  VtxFeatureArgs f = Query();
  EXPECT_EQ(+f.status, static_cast<uint32_t>(CV_STATUS_ERROR));
  EXPECT_EQ(+f.line_status, static_cast<uint32_t>(APIERR_BOARDCAPABILITY));
  EXPECT_TRUE(board().CommandLog().empty());

  VtxFeatureArgs nested{};
  nested.async_lp = 1;
  VtxFeatureSetQuery(line_, &nested);
  EXPECT_EQ(+nested.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR));
}

}  // namespace
}  // namespace vtx::testing
