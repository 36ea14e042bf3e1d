#include "trace/api_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <regex>

#include "api/line.h"
#include "tests/support/capture.h"
#include "tests/trace/trace_fixture.h"

namespace vtx::testing {
namespace {

using ::testing::ElementsAre;

class ApiLog : public TraceTest {};

TEST_F(ApiLog, LevelsAreMatchedAgainstTheMask) {
  for (uint32_t mask : {4u, 8u, 2u}) {
    TraceCapture capture(mask);
    trace::Message(nullptr, trace::kLevelWarning, "warning %d", 12);
    trace::Message(nullptr, trace::kLevelAlways, "always");
    EXPECT_EQ(capture.Contains("warning 12"), mask != 2) << "mask " << mask;
    EXPECT_TRUE(capture.Contains("always"));
  }
  TraceCapture off(0);
  trace::Message(nullptr, trace::kLevelAlways, "never");
  EXPECT_TRUE(off.lines().empty());
}

TEST_F(ApiLog, LinesStartWithTimestampAndLinePrefix) {
  TraceCapture capture(trace::kLevelInfo);
  VtxLine line;
  line.ordinal = 3;
  line.dest_addr[1] = 0x1A;
  line.dest_addr[2] = 0x2B;
  trace::Message(nullptr, trace::kLevelInfo, "no line");
  trace::Message(&line, trace::kLevelInfo, "ordinal %d", 3);
  line.ordinal = -1;
  trace::Message(&line, trace::kLevelInfo, "no ordinal");
  ASSERT_EQ(capture.lines().size(), 3u);
  const std::string stamp = R"(^(0[1-9]|1[0-2])/[0-3]\d [0-2]\d:[0-5]\d:[0-6]\d\.\d\d )";
  EXPECT_TRUE(std::regex_search(capture.lines()[0], std::regex(stamp + R"(\[0,0\] no line$)")))
      << capture.lines()[0];
  EXPECT_TRUE(std::regex_search(capture.lines()[1], std::regex(stamp + R"(3\[2B,1A\] ordinal 3$)")))
      << capture.lines()[1];
  EXPECT_TRUE(std::regex_search(capture.lines()[2], std::regex(stamp + R"(\[2B,1A\] no ordinal$)")))
      << capture.lines()[2];
}

TEST_F(ApiLog, LongMessagesAreCutToTheLineBuffer) {
  TraceCapture capture(trace::kLevelInfo);
  std::string huge(40000, 'x');
  trace::Message(nullptr, trace::kLevelInfo, "%s", huge.c_str());
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0].size(), 16u * 1024 - 1);
}

TEST_F(ApiLog, CallAndReturnLinesFollowTheFunctionOptions) {
  VtxResult result{2, 7};
  auto trace_call = [&] {
    trace::CallEntry(nullptr, "VtxModuleInfo", "mod_num=0x%X", 5u);
    trace::CallReturn(nullptr, "VtxModuleInfo", &result, "ret=%d", -1);
  };
  {
    TraceCapture capture(0, trace::kFuncCalls | trace::kFuncDetail);
    trace_call();
    EXPECT_TRUE(capture.lines().empty());
  }
  {
    // Call lines are at level 0xFFFFFFFF: any non-zero mask shows them.
    TraceCapture capture(trace::kLevelInfo, trace::kFuncCalls);
    trace_call();
    EXPECT_THAT(capture.messages(), ElementsAre("VtxModuleInfo: Called", "VtxModuleInfo: Return"));
  }
  {
    TraceCapture capture(trace::kLevelInfo, trace::kFuncDetail);
    trace_call();
    EXPECT_TRUE(capture.lines().empty()) << "detail alone does not write call lines";
  }
  TraceCapture capture(trace::kLevelError, trace::kFuncCalls | trace::kFuncDetail);
  trace_call();
  trace::CallEntry(nullptr, "VtxLineDetach", nullptr);
  trace::CallReturn(nullptr, "VtxLineDetach", &result, nullptr);
  trace::CallReturn(nullptr, "VtxLineAttach", nullptr, "ret=%d", 0);
  trace::CallReturn(nullptr, "VtxFaxAbort", nullptr, nullptr);
  EXPECT_THAT(capture.messages(),
              ElementsAre("VtxModuleInfo: Called (mod_num=0x5)",
                          "VtxModuleInfo: Return (ret=-1,res.status=2,res.line_status=7)",
                          "VtxLineDetach: Called ()",
                          "VtxLineDetach: Return (res.status=2,res.line_status=7)",
                          "VtxLineAttach: Return (ret=0)", "VtxFaxAbort: Return ()"));
}

TEST_F(ApiLog, RequestFailureIsWrittenWhateverTheMaskAndLeavesItAlone) {
  TraceCapture capture(0);
  errno = ENODEV;
  trace::RequestFailure(nullptr, "MSG_SEND");
  EXPECT_EQ(errno, ENODEV);
  EXPECT_EQ(trace::Mask(), 0u);
  EXPECT_THAT(capture.messages(), ElementsAre("ioctl MSG_SEND: No such device"));
}

}  // namespace
}  // namespace vtx::testing
