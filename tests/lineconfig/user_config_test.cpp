#include "lineconfig/user_config.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "api/reset_status.h"
#include "tests/lineconfig/line_fixture.h"
#include "tests/support/capture.h"
#include "tests/support/scoped_env.h"

namespace vtx::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

class UserConfig : public LineConfigTest {
 protected:
  std::string Write(const std::string& text) { return dir_.Write("cvcall.cfg", text); }
  // The reader as the line reset calls it.
  int Read(const char* file_name, uint32_t use_config_lines = 0) {
    args_ = VtxLineArgs{};
    args_.skip_teleph = 1;  // the line configures without starting call control
    args_.config_file_name = file_name;
    args_.use_config_lines = use_config_lines;
    return ReadUserConfiguration(&line_, &args_);
  }
  // A country file that does not exist, so that the closing call keeps the USA block quietly.
  std::string NoCountry() { return "cv_cparm " + dir_.Path("none.cfg") + "\n"; }

  VtxLineArgs args_{};
};

TEST_F(UserConfig, CommentsOnlyLeaveTheDefaults) {
  std::string path = Write("# a preference file\n\n#nrings 9\n   \n" + NoCountry() + "#end");
  ASSERT_EQ(Read(path.c_str()), 0);
  EXPECT_EQ(line_.reset_status & (kResetNoUserConfig | kResetBadConfigLine), 0u);
  EXPECT_EQ(settings().nrings, 1);
  EXPECT_EQ(line_.config.sequence_open, 0u) << "the closing call was made";
  EXPECT_EQ(Font(31), "(empty)") << "font names are freed by the closing call";
  EXPECT_EQ(args_.reset_status, line_.reset_status);
  const char* left = args_.config_file_line;  // a packed field: copied before comparing
  EXPECT_EQ(left, nullptr);
}

TEST_F(UserConfig, LongLinesArriveInPieces) {
  // 299 characters, then 51: the second piece is a line of its own.
  std::string first = "id_string " + std::string(289, 'A');
  std::string second = "nrings 9" + std::string(43, ' ');
  ASSERT_EQ(first.size() + second.size(), 350u);
  std::string path = Write(first + second + "\n" + NoCountry() + "agc 7\r\n");
  TraceCapture trace(0xFFFFFFFF, 3);
  ASSERT_EQ(Read(path.c_str()), 0);
  EXPECT_STREQ(settings().id_string, "AAAAAAAAAAAAAAAAAAAA");
  EXPECT_EQ(settings().nrings, 9);
  EXPECT_EQ(settings().agc, 7) << "a carriage return is white space";
  EXPECT_THAT(trace.messages(), Contains(HasSubstr("Reading user configuration file \"" + path)));
  EXPECT_THAT(trace.messages(), Contains("VtxLineConfig: Called (config_file_line=" + second +
                                         ",no_fonts=0,skip_teleph=1,no_init=0)"));
  EXPECT_THAT(trace.messages(),
              Contains(HasSubstr("VtxLineConfig: Called (config_file_line=(NULL),")));
}

// A relative name that the current folder does not hold comes from the folder of the installed
// configuration files; when that has none either, the warning names the file as it was given.
TEST_F(UserConfig, ARelativeNameIsFoundInTheConfigurationFolder) {
  ScopedEnv registry("CRVN_REGISTRY", dir_.Path("registry.reg"));
  ScopedFolder elsewhere("/");
  ASSERT_TRUE(elsewhere.moved());
  TraceCapture trace;
  ASSERT_EQ(Read("cvcall.cfg"), 0);
  EXPECT_THAT(trace.messages(),
              Contains("Warning: User configuration file \"cvcall.cfg\" not found"));
  EXPECT_EQ(line_.reset_status & kResetNoUserConfig, kResetNoUserConfig);
  EXPECT_EQ(line_.config.sequence_open, 0u) << "the defaults were closed";

  const std::string path = Write("nrings 7\n" + NoCountry());
  line_.reset_status = 0;
  ASSERT_EQ(Read("cvcall.cfg"), 0);
  EXPECT_EQ(settings().nrings, 7);
  EXPECT_EQ(line_.reset_status & kResetNoUserConfig, 0u);
  EXPECT_THAT(trace.messages(), Contains("Reading user configuration file \"" + path + "\""));
}

TEST_F(UserConfig, WithoutAFileNameOrWithConfigLinesTheCallerFinishesTheSequence) {
  EXPECT_EQ(Read(nullptr, 1), 0);
  EXPECT_EQ(line_.config.sequence_open, 0u) << "nothing happens: the caller feeds lines";

  TraceCapture trace;
  Feed(NoCountry().c_str());
  ASSERT_EQ(Read(nullptr), 0);
  EXPECT_THAT(trace.messages(), Contains("No config information specified. Using defaults."));
  EXPECT_EQ(line_.config.sequence_open, 0u);

  std::string path = Write("nrings 4\n");
  ASSERT_EQ(Read(path.c_str(), 1), 0);
  EXPECT_EQ(settings().nrings, 4);
  EXPECT_EQ(line_.config.sequence_open, 1u) << "no closing call";
  Feed(NoCountry().c_str());
  EXPECT_EQ(Feed(nullptr), 0);
  EXPECT_EQ(line_.config.sequence_open, 0u);
}

}  // namespace
}  // namespace vtx::testing
