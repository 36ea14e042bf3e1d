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

TEST(HangupCheck, PendingCodesBecomeTheResultUnlessHeldOrAResultIsThere) {
  struct Case {
    uint32_t pending;
    bool no_hangup;
    Record before;
    int returned;
    Record after;
    uint32_t pending_after, reset_status;
  };
  const Record sent{CV_STATUS_ERROR, APIERR_PACKET_SEND};
  const Case cases[] = {
      {25, true, {}, 0, {}, 25, 0},                            // a fax hangup waits
      {25, false, {}, 1, {CV_STATUS_ERROR_HANGUP, 25}, 0, 0},  // and is reported
      {0, false, {}, 0, {}, 0, 0},                             // nothing pending
      {500, true, {}, 1, {CV_STATUS_ERROR_HANGUP, 500}, 0, vtx::kResetCondition},
      {505, true, {}, 1, {CV_STATUS_ERROR_HANGUP, 505}, 0, 0},  // the limited wait
      {501, false, sent, 1, sent, 0, 0},                        // a result stays
  };
  for (const Case& c : cases) {
    VtxLine line;
    line.pending_hangup = c.pending;
    Record args = c.before;
    EXPECT_EQ(CheckPendingHangup(&line, c.no_hangup, &args), c.returned) << c.pending;
    EXPECT_EQ(args.status, c.after.status) << c.pending;
    EXPECT_EQ(args.line_status, c.after.line_status) << c.pending;
    EXPECT_EQ(line.pending_hangup, c.pending_after) << c.pending;
    EXPECT_EQ(line.reset_status, c.reset_status) << c.pending;
  }
  Record args;
  EXPECT_EQ(CheckPendingHangup(nullptr, false, &args), 0);
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
