#include "trace/cc_trace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "api/line.h"
#include "tests/support/capture.h"
#include "tests/support/program.h"
#include "tests/support/temp_dir.h"
#include "trace/api_log.h"
#include "trace/cc_file.h"

namespace vtx::testing {
namespace {

namespace cc = trace::cc;

class CcTrace : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.path().empty()); }
  void TearDown() override {
    cc::SetTraceFile(nullptr);
    cc::SetMaxFiles(1);
    cc::SetMaxFileBytes(cc::kDefaultMaxFileSize);
    for (int category = 0; category < cc::kCategoryCount; ++category) {
      cc::SetCategory(category, 0, 0);
    }
  }

  // Traces `count` lines "line NNN" of about 60 characters into category 3.
  static void TraceLines(int first, int count) {
    for (int i = first; i < first + count; ++i) {
      cc::Trace(cc::kInternalTrace, cc::kLevelBasic, "line %03d ..............................", i);
    }
  }

  TempDir dir_{"cctrace"};
};

TEST_F(CcTrace, OneFileWrapsToItsStartAtTheLimit) {
  cc::SetCategory(cc::kInternalTrace, cc::kLevelBasic, cc::kToFile);
  cc::SetMaxFileBytes(2000);
  const std::string path = dir_.Path("cc.log");
  ASSERT_TRUE(cc::SetTraceFile(path.c_str()));
  EXPECT_EQ(cc::OpenFileName(), path);
  TraceLines(0, 40);  // about 2600 bytes: one wrap
  const std::string text = ReadFileBytes(path);

  // The wrap note at the old end, then writing goes on from the start of the file.
  const std::regex start(
      "^\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d\\d trace continuing from end of file\\.\n"
      "\\d\\d/\\d\\d [0-9:.]{11} ECC line 03\\d [.]+\n");
  EXPECT_TRUE(std::regex_search(text, start)) << text;
  EXPECT_NE(text.find(" maximum trace file size reached, continuing trace from start of file.\n"),
            std::string::npos);
  EXPECT_EQ(text.find("ECC Trace ---"), std::string::npos) << "the banner is overwritten";
  EXPECT_EQ(text.find("ECC line 000"), std::string::npos) << "older lines are overwritten";
  EXPECT_NE(text.find("ECC line 039"), std::string::npos);
  EXPECT_NE(text.find("ECC line 030"), std::string::npos);
}

TEST_F(CcTrace, NumberedFilesMoveOnAndDeleteTheOldest) {
  cc::SetCategory(cc::kInternalTrace, cc::kLevelBasic, cc::kToFile);
  cc::SetMaxFiles(3);
  cc::SetMaxFileBytes(1000);
  ASSERT_TRUE(cc::SetTraceFile(dir_.Path("cc.log").c_str()));
  EXPECT_EQ(cc::OpenFileName(), dir_.Path("cc_0.log"));
  TraceLines(0, 60);  // passes the limit of files 0, 1 and 2
  EXPECT_EQ(cc::OpenFileName(), dir_.Path("cc_3.log"));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("cc_0.log")));
  for (const char* kept : {"cc_1.log", "cc_2.log"}) {
    const std::string text = ReadFileBytes(dir_.Path(kept));
    EXPECT_EQ(text.rfind("\n**************************\nECC Trace --- 4.0.0B17.296 Mar 22 2005 "
                         "14:48:26\n\n",
                         0),
              0u)
        << kept;
    EXPECT_NE(text.find(" trace continued from previous file.\n"), std::string::npos) << kept;
    const std::string last = " maximum trace file size reached, continuing trace to next file.\n";
    EXPECT_EQ(text.size() - text.rfind(last), last.size()) << kept;
  }
  EXPECT_NE(ReadFileBytes(dir_.Path("cc_3.log")).find("ECC line 059"), std::string::npos);
}

TEST_F(CcTrace, SeriesNamesWithoutExtensionContinueAtTheHighestNumberOnDisk) {
  cc::SetCategory(cc::kInternalTrace, cc::kLevelBasic, cc::kToFile);
  cc::SetMaxFiles(3);
  ASSERT_TRUE(cc::SetTraceFile(dir_.Path("trace").c_str()));
  EXPECT_EQ(cc::OpenFileName(), dir_.Path("trace_0"));

  for (const char* name : {"base_4", "base_7", "base_9.log", "base_x", "basement_12"}) {
    dir_.Write(name, "old\n");
  }
  ASSERT_TRUE(cc::SetTraceFile(dir_.Path("base").c_str()));
  EXPECT_EQ(cc::OpenFileName(), dir_.Path("base_7"));
  TraceLines(0, 1);
  const std::string text = ReadFileBytes(dir_.Path("base_7"));
  EXPECT_EQ(text.rfind("old\n\n****", 0), 0u) << text;
  EXPECT_NE(text.find("ECC line 000"), std::string::npos);
}

TEST_F(CcTrace, MessagesAreCopiedIntoTheApiLogByLevelAndCategory) {
  VtxLine line;
  line.dest_addr[1] = 0x1A;
  line.dest_addr[2] = 0x2B;
  {
    TraceCapture capture(trace::kLevelError);
    // Category 4 is off; a level-1 message with a line still reaches the API log as an error.
    cc::TraceLine(&line, cc::kHostModuleTrace, cc::kLevelError, "lost %d", 4);
    cc::TraceLine(&line, cc::kHostModuleTrace, cc::kLevelBasic, "not copied");
    EXPECT_EQ(capture.messages(), std::vector<std::string>{"ECC lost 4"});
  }
  {
    TraceCapture capture(trace::kLevelPacket | trace::kLevelInfo);
    cc::Trace(cc::kL4L3Trace, cc::kLevelBasic, "no line, no copy flag");
    cc::SetCategory(cc::kL4L3Trace, 0, cc::kToApiLog);
    cc::Trace(cc::kL4L3Trace, cc::kLevelBasic, "copy flag");
    cc::TraceLine(&line, cc::kInternalTrace, cc::kLevelVerbose, "internal");
    cc::TraceLine(&line, cc::kApiTrace, cc::kLevelVerbose, "api needs level 1");
    EXPECT_EQ(capture.messages(), (std::vector<std::string>{"ECC copy flag", "ECC internal"}));
  }

  // The file line carries the line's address prefix; a disabled level writes nothing.
  const std::string path = dir_.Path("cc.log");
  cc::SetCategory(cc::kHostModuleTrace, cc::kLevelWarning, cc::kToFile);
  ASSERT_TRUE(cc::SetTraceFile(path.c_str()));
  cc::TraceLine(&line, cc::kHostModuleTrace, cc::kLevelBasic, "too verbose");
  cc::TraceLine(&line, cc::kHostModuleTrace, cc::kLevelWarning, "%s", "warned");
  cc::Trace(cc::kHostModuleTrace, cc::kLevelWarning, nullptr);
  const std::string text = ReadFileBytes(path);
  EXPECT_EQ(text.find("too verbose"), std::string::npos);
  EXPECT_TRUE(std::regex_search(text, std::regex("\n\\d\\d/\\d\\d [0-9:.]{11} \\[2B,1A\\] ECC "
                                                 "warned\n$")))
      << text;
}

TEST_F(CcTrace, LongMessagesAreCutAndUnopenableFilesWriteNothing) {
  cc::SetCategory(cc::kApiTrace, cc::kLevelVerbose, cc::kToFile);
  const std::string path = dir_.Path("cc.log");
  ASSERT_TRUE(cc::SetTraceFile(path.c_str()));
  cc::Trace(cc::kApiTrace, cc::kLevelError, "%s", std::string(3000, 'x').c_str());
  const std::string text = ReadFileBytes(path);
  EXPECT_NE(text.find("ECC " + std::string(1019, 'x') + "\n"), std::string::npos);
  EXPECT_EQ(text.find(std::string(1020, 'x')), std::string::npos);

  EXPECT_FALSE(cc::SetTraceFile(dir_.Path("missing/cc.log").c_str()));
  EXPECT_EQ(cc::OpenFileName(), "");
  cc::Trace(cc::kApiTrace, cc::kLevelError, "nowhere");
  EXPECT_EQ(ReadFileBytes(path), text);
}

}  // namespace
}  // namespace vtx::testing
