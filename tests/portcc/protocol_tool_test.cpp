// tarrow protocol, run as a program: the shipped examples are what their descriptions write and
// check clean, a changed byte is caught, and description mistakes name their line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/portcc/portcc_fixture.h"
#include "tests/support/program.h"

namespace vtx::testing {
namespace {

using ::testing::HasSubstr;

const std::string kSource = SOURCE_DIR;

class ProtocolTool : public ::testing::Test {
 protected:
  TempDir dir_{"protocol_tool"};
};

TEST_F(ProtocolTool, ExamplesAreWhatTheirDescriptionsWriteAndCheckClean) {
  std::string output;
  for (const char* name : {"analog_loop_start.pro", "uk_coefficients.coe"}) {
    SCOPED_TRACE(name);
    const std::string stem = std::string(name).substr(0, std::string(name).find('.'));
    const std::string written = dir_.Path(name);
    ASSERT_EQ(
        RunTarrow("protocol write " + kSource + "/portcc/descriptions/" + stem + ".txt " + written,
                  &output),
        0)
        << output;
    EXPECT_EQ(ReadFileBytes(written), ReadFileBytes(kSource + "/portcc/examples/" + name));
  }
  ASSERT_EQ(RunTarrow("protocol check " + kSource + "/portcc/examples/analog_loop_start.pro " +
                          kSource + "/portcc/examples/uk_coefficients.coe",
                      &output),
            0)
      << output;
  EXPECT_THAT(output, HasSubstr("analog_loop_start.pro: signature 0x3C4D, header size 12, data "
                                "size 164, file type 5, checksum 0x"));
  EXPECT_THAT(output, HasSubstr("uk_coefficients.coe: signature 0x3C4D, header size 12, data size "
                                "120, file type 2, checksum 0x011D: ok"));

  std::string bytes = ReadFileBytes(kSource + "/portcc/examples/uk_coefficients.coe");
  bytes[40] = static_cast<char>(bytes[40] + 1);
  const std::string changed = dir_.Write("changed.coe", bytes);
  EXPECT_EQ(RunTarrow("protocol check " + changed, &output), 1);
  EXPECT_THAT(output, HasSubstr("checksum 0x011D: ERROR : Invalid checksum"));
}

TEST_F(ProtocolTool, WritesWhatTheDescriptionSaysAndTheCasRuleApplies) {
  const std::string description = dir_.Write("cas.txt",
                                             "signature 3c4d  # the default, given anyway\n"
                                             "file_type 5\n"
                                             "data 01 ff\n"
                                             "\n"
                                             "data 80\n");
  const std::string file = dir_.Path("cas.pro");
  std::string output;
  ASSERT_EQ(RunTarrow("protocol write " + description + " " + file, &output), 0) << output;
  EXPECT_EQ(ReadFileBytes(file), std::string("\x4D\x3C\x0C\x00\x00\x00\x03\x00\x05\x00\x80\xFF"
                                             "\x01\xFF\x80",
                                             15));
  EXPECT_EQ(RunTarrow("protocol check --cas " + file, &output), 1);
  EXPECT_THAT(output, HasSubstr("ERROR : Protocol size 3 doesn't match data structure size 164"));
  EXPECT_EQ(RunTarrow("protocol check /nonexistent.pro", &output), 1);
  EXPECT_THAT(output, HasSubstr("/nonexistent.pro: ERROR : Unable to open protocol file "
                                "</nonexistent.pro>"));
}

TEST_F(ProtocolTool, DescriptionMistakesNameTheirLine) {
  const struct {
    const char* text;
    const char* message;
  } mistakes[] = {
      {"file_type 3\ndata 01 zz\n", ":2: expected a byte in hexadecimal, got \"zz\""},
      {"data 01\n", ":2: expected a file_type statement, got the end of the file"},
      {"file_type 70000\n", ":1: expected one file type of 0 to 65535, got \"70000\""},
      {"file_type 1\nfile_type 2\n", ":2: expected one file_type statement, got a second"},
      {"# comment\nsignature\n",
       ":2: expected one signature of 0 to ffff in hexadecimal, got nothing"},
      {"checksum 0\n", ":1: expected signature, file_type or data, got \"checksum\""},
  };
  std::string output;
  for (const auto& mistake : mistakes) {
    SCOPED_TRACE(mistake.text);
    const std::string description = dir_.Write("bad.txt", mistake.text);
    EXPECT_EQ(RunTarrow("protocol write " + description + " " + dir_.Path("out"), &output), 1);
    EXPECT_THAT(output, HasSubstr(description + mistake.message));
  }
  EXPECT_EQ(RunTarrow("protocol frobnicate", &output), 2);
}

}  // namespace
}  // namespace vtx::testing
