#include <gtest/gtest.h>

#include <string>

#include "admin.h"
#include "api/status_text.h"
#include "tele_ctrl.h"
#include "tests/support/capture.h"
#include "tests/teleph/teleph_fixture.h"

namespace {

class TelephResetSaveTest : public vtx::testing::TelephLineTest {};

TEST_F(TelephResetSaveTest, ResetFreesTheSectionOnlyWhereTheModuleCanDoIt) {
  sim::CriticalSection& section = board().critical_sections()[1];
  section = {true, 0x4242, 1, {}};
  VtxTelephArgs args{};
  VtxTelephReset(line_, &args);  // no telephony controller
  EXPECT_EQ(args.status, CV_STATUS_ERROR);
  EXPECT_EQ(args.line_status, APIERR_BOARDCAPABILITY);

  vtx::SetCapability(line_, 89);
  VtxTelephReset(line_, &args);  // its ADMIN cannot reset critical sections: nothing is sent
  EXPECT_EQ(args.status, CV_STATUS_OK);
  EXPECT_TRUE(board().CommandLog().empty());
  EXPECT_TRUE(section.taken);

  vtx::SetCapability(line_, 77);
  VtxTelephReset(line_, &args);
  EXPECT_EQ(args.status, CV_STATUS_OK);
  ASSERT_EQ(Requests(MILL_FACILITY_ADMIN, ADMIN_CRIT_SEC_RESET_REQUEST), 1u);
  EXPECT_EQ(board().CommandLog()[0].Find(ADMIN_CRIT_SEC_ID_VAR)->Value(), 1u);
  EXPECT_FALSE(section.taken);
  EXPECT_EQ(section.mark, 0u);

  args.async_lp = 1;
  VtxTelephReset(line_, &args);
  EXPECT_EQ(args.line_status, APIERR_ASYNC_LP_ERR);
}

TEST_F(TelephResetSaveTest, SaveReturnsTheModulesResultWithItsText) {
  VtxTelephArgs args{};
  EXPECT_EQ(VtxTelephSave(line_, &args), -1);
  EXPECT_EQ(args.line_status, APIERR_BOARDCAPABILITY);
  EXPECT_TRUE(board().CommandLog().empty());

  vtx::SetCapability(line_, 83);
  EXPECT_EQ(VtxTelephSave(line_, &args), 0);
  EXPECT_EQ(args.status, CV_STATUS_OK);
  EXPECT_EQ(Requests(MILL_FACILITY_TELE_CTRL, TELE_CTRL_PARAMS_SAVE_REQUEST), 1u);

  board().telephony().params_save_result = 4;
  vtx::testing::TraceCapture trace;
  EXPECT_EQ(VtxTelephSave(line_, &args), 4);
  EXPECT_EQ(args.status, CV_STATUS_ERROR);
  EXPECT_EQ(args.line_status, APIERR_FIRMWARE_ERR_DETECTED);
  EXPECT_TRUE(trace.Contains("Telephony control parameter save error, result code 4"));
  vtx::api::StatusText text;
  vtx::api::FormStatusText(line_, args.status, args.line_status, &text);
  EXPECT_NE(std::string(text.description).find("EEPROM written"), std::string::npos);
}

}  // namespace
