#include "trace/output.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <thread>
#include <vector>

#include "tests/trace/trace_fixture.h"

namespace vtx::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class TraceOutput : public TraceTest {
 protected:
  // One line of exactly 100 bytes with its line end: a 24-character prefix, the message.
  static void Line100(int number) {
    trace::Message(nullptr, trace::kLevelInfo, "line %03d %066d", number, 0);
  }
  static std::string MessageOf(const std::string& line) { return line.substr(24, 8); }
};

TEST_F(TraceOutput, AlternatingFilesSwitchAtTheLimitAndStartEmpty) {
  std::string first = Path("a.log"), second = Path("b.log");
  FILE* stale = fopen(first.c_str(), "w");
  fputs("stale contents\n", stale);
  fclose(stale);
  ASSERT_EQ(TraceToFiles(first.c_str(), second.c_str(), 1000), 0);
  for (int number = 1; number <= 21; ++number) Line100(number);

  // Ten lines fill the first file to 1000 bytes; the eleventh starts the second, the
  // twenty-first empties and starts the first again.
  std::vector<std::string> a = ReadLines(first), b = ReadLines(second);
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(MessageOf(a[0]), "line 021");
  ASSERT_EQ(b.size(), 10u);
  EXPECT_EQ(MessageOf(b.front()), "line 011");
  EXPECT_EQ(MessageOf(b.back()), "line 020");
  EXPECT_EQ(b.front().size(), 99u);
}

TEST_F(TraceOutput, SettingTheSameSingleFileAgainKeepsItOpen) {
  std::string name = Path("single.log"), moved = Path("moved.log");
  ASSERT_EQ(TraceToFiles(name.c_str()), 0);
  trace::Message(nullptr, trace::kLevelInfo, "one");
  // The open file follows the rename; a reopen would create the name anew.
  ASSERT_EQ(rename(name.c_str(), moved.c_str()), 0);
  ASSERT_EQ(TraceToFiles(name.c_str()), 0);
  trace::Message(nullptr, trace::kLevelInfo, "two");
  EXPECT_EQ(access(name.c_str(), F_OK), -1);
  std::vector<std::string> lines = ReadLines(moved);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_THAT(lines[1], HasSubstr("[0,0] two"));

  // A single file appends to what is there.
  ASSERT_EQ(TraceToFiles(moved.c_str()), 0);
  trace::Message(nullptr, trace::kLevelInfo, "three");
  EXPECT_EQ(ReadLines(moved).size(), 3u);
}

TEST_F(TraceOutput, AFileThatCannotBeOpenedSwitchesTracingOff) {
  std::string name = Path("missing/dir/trace.log");
  EXPECT_EQ(TraceToFiles(name.c_str()), -1);
  EXPECT_EQ(last_.status, CV_STATUS_ERROR);
  EXPECT_EQ(last_.line_status, static_cast<uint32_t>(APIERR_FILEIO));
  EXPECT_EQ(trace::Mask(), 0u);

  // The output stays off even when the mask is raised again, until files are set anew.
  trace::ExchangeMask(VTX_TRACE_ALL);
  ::testing::internal::CaptureStdout();
  trace::Message(nullptr, trace::kLevelInfo, "dropped");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  ResetTrace();
  trace::ExchangeMask(VTX_TRACE_ALL);
  ::testing::internal::CaptureStdout();
  trace::Message(nullptr, trace::kLevelInfo, "shown");
  EXPECT_THAT(::testing::internal::GetCapturedStdout(), HasSubstr("[0,0] shown\n"));
}

TEST_F(TraceOutput, FileNamesTakeTheProcessIdentifierForPercentP) {
  std::string pattern = Path("t_%p_%q%%.log%");
  ASSERT_EQ(TraceToFiles(pattern.c_str()), 0);
  trace::Message(nullptr, trace::kLevelInfo, "hello");
  std::string expected = Path("t_" + std::to_string(getpid()) + "_q%.log");
  EXPECT_THAT(ReadLines(expected), ElementsAre(HasSubstr("[0,0] hello")));
}

TEST_F(TraceOutput, LinesFromManyThreadsStayWhole) {
  std::string name = Path("threads.log");
  ASSERT_EQ(TraceToFiles(name.c_str()), 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 250; ++i) {
        trace::Message(nullptr, trace::kLevelInfo, "thread %d line %03d %0200d", t, i, 0);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::vector<std::string> lines = ReadLines(name);
  ASSERT_EQ(lines.size(), 1000u);
  for (const std::string& line : lines) ASSERT_EQ(line.size(), 24u + 18 + 200) << line;
}

}  // namespace
}  // namespace vtx::testing
