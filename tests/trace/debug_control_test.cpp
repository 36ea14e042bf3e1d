#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>

#include "tests/trace/trace_fixture.h"
#include "trace/api_log.h"
#include "trace/cc_file.h"
#include "trace/cc_trace.h"

namespace vtx::testing {
namespace {

using ::testing::ElementsAre;

std::mutex g_lock;
std::vector<std::string> g_received;

int Receive(const char* line) {
  std::lock_guard<std::mutex> hold(g_lock);
  std::string text = line;
  g_received.push_back(text.substr(text.find("] ") + 2));
  return 0;
}

class DebugControl : public TraceTest {
 protected:
  void SetUp() override {
    TraceTest::SetUp();
    g_received.clear();
  }
};

TEST_F(DebugControl, InstallsFunctionExchangesMaskAndSetsOptions) {
  VtxDebugControlArgs args{};
  args.debug_options = VTX_DEBUG_SET_FUNCTION | VTX_DEBUG_SET_MODE | VTX_DEBUG_SET_FUNC_OPTS;
  args.trace_func = &Receive;
  args.debug_mode = VTX_TRACE_INFO;
  args.debug_func_dbg_opts = VTX_FUNC_DBG_CALLS | VTX_FUNC_DBG_DETAIL;
  ASSERT_EQ(Control(args), 0);
  EXPECT_EQ(args.status, CV_STATUS_OK);
  EXPECT_EQ(args.debug_mode, 0u) << "the previous mask comes back";
  EXPECT_EQ(trace::Mask(), VTX_TRACE_INFO);
  EXPECT_EQ(trace::FunctionOptions(), 3u);

  // File settings are refused while a function receives the lines; nothing changes.
  VtxDebugControlArgs files{};
  files.debug_options = VTX_DEBUG_SET_FILES | VTX_DEBUG_SET_FUNC_OPTS;
  files.debug_fname1 = "never.log";
  files.debug_func_dbg_opts = 0;
  EXPECT_EQ(Control(files), -1);
  EXPECT_EQ(files.status, CV_STATUS_ERROR);
  EXPECT_EQ(files.line_status, static_cast<uint32_t>(APIERR_BADSTATE));
  EXPECT_EQ(trace::FunctionOptions(), 3u);
  trace::Message(nullptr, trace::kLevelInfo, "still here");

  EXPECT_THAT(g_received,
              ElementsAre("VtxDebugControl: Return (ret=0,debug_mode=0x0,res.status=0,"
                          "res.line_status=0)",
                          "VtxDebugControl: Called (debug_options=0x808,debug_mode=0x0)",
                          "VtxDebugControl: Return (ret=-1,debug_mode=0x0,res.status=2,"
                          "res.line_status=7)",
                          "still here"));
}

TEST_F(DebugControl, CallControlBitsSetCategoriesAndTheFileNamedLastByControl) {
  trace::cc::SetCategory(trace::cc::kL3L4Trace, 1, trace::cc::kToStdout);
  VtxDebugControlArgs args{};
  args.debug_options =
      VTX_DEBUG_CC_API | VTX_DEBUG_CC_L4L3 | VTX_DEBUG_CC_IP_STACK | VTX_DEBUG_CC_FILE;
  args.debug_cc_trace_level = 3;
  const std::string first = Path("cc_trace.log");
  args.debug_cc_trace_file = first.c_str();
  ASSERT_EQ(Control(args), 0);
  for (int category : {trace::cc::kApiTrace, trace::cc::kL4L3Trace, trace::cc::kIpStackTrace}) {
    EXPECT_EQ(trace::cc::GetCategory(category).level, 3) << category;
    EXPECT_EQ(trace::cc::GetCategory(category).flags, trace::cc::kToFile) << category;
  }
  EXPECT_EQ(trace::cc::GetCategory(trace::cc::kL3L4Trace).level, 1);
  EXPECT_EQ(trace::cc::GetCategory(trace::cc::kL3L4Trace).flags, trace::cc::kToStdout);
  EXPECT_TRUE(trace::cc::CategoryEnabled(trace::cc::kApiTrace, 3));
  EXPECT_FALSE(trace::cc::CategoryEnabled(trace::cc::kApiTrace, 4));
  EXPECT_EQ(trace::cc::TraceFile(), first);
  EXPECT_EQ(trace::cc::OpenFileName(), first);

  // The name last set by trace control is not set again, whatever set the file meanwhile.
  const std::string configured = Path("configured.log");
  trace::cc::SetTraceFile(configured.c_str());
  ASSERT_EQ(Control(args), 0);
  EXPECT_EQ(trace::cc::TraceFile(), configured);
  const std::string other = Path("other.log");
  args.debug_cc_trace_file = other.c_str();
  ASSERT_EQ(Control(args), 0);
  EXPECT_EQ(trace::cc::TraceFile(), other);
  EXPECT_EQ(trace::cc::OpenFileName(), other);
  trace::cc::SetTraceFile(nullptr);
}

}  // namespace
}  // namespace vtx::testing
