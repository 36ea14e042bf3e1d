// The pending hangup and alert check.
#include "api/hangup_check.h"

#include <gtest/gtest.h>

#include "api/line.h"
#include "api/reset_status.h"

namespace vtx::api {
namespace {

struct Record {
  uint32_t status = 0, line_status = 0;
};

TEST(HangupCheck, AFaxHangupWaitsWhileNoHangupIsSetAndIsReportedOtherwise) {
  VtxLine line;
  line.pending_hangup = 25;
  Record args;
  EXPECT_EQ(CheckPendingHangup(&line, true, &args), 0);
  EXPECT_EQ(line.pending_hangup, 25u);
  EXPECT_EQ(args.status, CV_STATUS_OK);

  EXPECT_EQ(CheckPendingHangup(&line, false, &args), 1);
  EXPECT_EQ(args.status, CV_STATUS_ERROR_HANGUP);
  EXPECT_EQ(args.line_status, 25u);
  EXPECT_EQ(line.pending_hangup, 0u);
  EXPECT_EQ(line.reset_status, 0u);
  EXPECT_EQ(CheckPendingHangup(&line, false, &args), 0);  // nothing left pending
  EXPECT_EQ(CheckPendingHangup(nullptr, false, &args), 0);
}

TEST(HangupCheck, LibraryHangupsAreReportedEvenWithNoHangup) {
  VtxLine line;
  line.pending_hangup = 500;
  Record args;
  EXPECT_EQ(CheckPendingHangup(&line, true, &args), 1);
  EXPECT_EQ(args.status, CV_STATUS_ERROR_HANGUP);
  EXPECT_EQ(args.line_status, 500u);
  EXPECT_EQ(line.reset_status, vtx::kResetCondition);

  line.reset_status = 0;
  line.pending_hangup = 505;
  args = {};
  EXPECT_EQ(CheckPendingHangup(&line, true, &args), 1);
  EXPECT_EQ(args.line_status, 505u);
  EXPECT_EQ(line.reset_status, 0u);
}

TEST(HangupCheck, AStatusAlreadySetIsKeptAndTheCodeOnlyCleared) {
  VtxLine line;
  line.pending_hangup = 501;
  Record args{CV_STATUS_ERROR, APIERR_PACKET_SEND};
  EXPECT_EQ(CheckPendingHangup(&line, false, &args), 1);
  EXPECT_EQ(args.status, CV_STATUS_ERROR);
  EXPECT_EQ(args.line_status, APIERR_PACKET_SEND);
  EXPECT_EQ(line.pending_hangup, 0u);
  EXPECT_EQ(line.reset_status, 0u);
}

TEST(HangupCheck, APendingAlertBecomesStatus7AndRestoresTheLineState) {
  VtxLine line;
  line.pending_hangup = kPendingAlert;
  line.alert_value = 3;
  line.line_state = 9;
  line.saved_line_state = 5;
  Record args;
  EXPECT_EQ(CheckPendingHangup(&line, true, &args), 1);
  EXPECT_EQ(args.status, CV_STATUS_ALERT);
  EXPECT_EQ(args.line_status, 3u);
  EXPECT_EQ(line.reset_status, vtx::kResetAlert);
  EXPECT_EQ(line.alert_value, 0u);
  EXPECT_EQ(line.line_state, 5u);
  EXPECT_EQ(line.pending_hangup, 0u);
}

}  // namespace
}  // namespace vtx::api
