// The maximum wait in real time: an infinite receive on a line whose max_timeout is 1500 gives
// up after 1500 ms, reported as hangup 505.
#include <gtest/gtest.h>

#include <chrono>

#include "tests/support/attached_line.h"

namespace {

class LimitedWaitTest : public vtx::testing::AttachedLineTest {};

TEST_F(LimitedWaitTest, InfiniteReceiveEndsAtMaxTimeout) {
  line_->config.settings.max_timeout = 1500;
  MillArgs args{};
  args.timeout = 0xFFFFFFFF;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(MillReceivePkt(line_, &args), 2);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(args.status, CV_STATUS_ERROR_HANGUP);
  EXPECT_EQ(args.line_status, 505u);
  EXPECT_GE(waited, std::chrono::milliseconds(1400)) << "it did wait";
}

}  // namespace
