// tarrow cparm, run as a program: description to file, file back to description, and its errors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "lineconfig/country_params.h"
#include "tests/lineconfig/line_fixture.h"
#include "tests/support/program.h"

namespace vtx::testing {
namespace {

using ::testing::HasSubstr;

using CparmTool = LineConfigTest;

TEST_F(CparmTool, WritesWhatTheLoaderReadsAndPrintsItBack) {
  std::string description = dir_.Write("desc.txt",
                                       "# two countries, a later version\n"
                                       "record_length 204\n"
                                       "country 10\n"
                                       "usa\n"
                                       "country 44  # ours\n"
                                       "usa\n"
                                       "at 7 0A\n"
                                       "at 202 ff ee\n");
  std::string file = dir_.Path("CV_CPARM.CFG");
  std::string output;
  ASSERT_EQ(RunTarrow("cparm write " + description + " " + file, &output), 0) << output;
  std::string bytes = ReadFileBytes(file);
  ASSERT_EQ(bytes.size(), 4u + 2 * 206);
  EXPECT_EQ(bytes.substr(0, 6), std::string("\xCC\x00\x02\x00\x10\x00", 6));

  Feed("country_code 44");
  Close(file);
  EXPECT_EQ(line_.reset_status, 0u);
  EXPECT_EQ(country()[7], 0x0A);
  EXPECT_EQ(country()[8], kUsaCountryParams[8]);

  ASSERT_EQ(RunTarrow("cparm print " + file, &output), 0);
  EXPECT_THAT(output, HasSubstr("record_length 204\ncountry 10\nat 0 00 12 0c 8c"));
  EXPECT_THAT(output, HasSubstr("at 192 16 0a 04 2f 1d 0e 03 02 01 13 ff ee\n"));
  std::string again = dir_.Write("again.txt", output);
  ASSERT_EQ(RunTarrow("cparm write " + again + " " + dir_.Path("again.cfg"), &output), 0) << output;
  EXPECT_EQ(ReadFileBytes(dir_.Path("again.cfg")), bytes);
}

TEST_F(CparmTool, ReportsWhereADescriptionIsWrong) {
  struct Case {
    const char* text;
    const char* message;
  };
  for (const Case& c : {
           Case{"usa\n", ":1: expected country before usa, got \"usa\""},
           Case{"country 1\n\nat 202 1\n", ":3: expected a position below 202, got \"202\""},
           Case{"country 1\nat 200 1 2 3\n", ":2: expected at most 2 bytes from 200, got 3"},
           Case{"country 1\nat 0 1g\n", ":2: expected a byte in hexadecimal, got \"1g\""},
           Case{"record_length 201\n",
                ":1: expected one record length of 202 to 65535, got \"201\""},
           Case{"country 1\ncountry 01\n",
                ":2: expected a country code not given before, got \"01\""},
           Case{"country 10000\n",
                ":1: expected one country code of 0 to ffff in hexadecimal, got \"10000\""},
           Case{"country 1\nrecord_length 300\n",
                ":2: expected record_length before the first country, got \"record_length\""},
           Case{"countries 1\n",
                ":1: expected record_length, country, usa or at, got \"countries\""},
       }) {
    std::string description = dir_.Write("bad.txt", c.text);
    std::string output;
    EXPECT_EQ(RunTarrow("cparm write " + description + " " + dir_.Path("bad.cfg"), &output), 1);
    EXPECT_EQ(output, description + c.message + "\n");
  }

  std::string output;
  std::string truncated = dir_.Write("short.cfg", std::string("\xCA\x00\x01\x00\x10\x00", 6));
  EXPECT_EQ(RunTarrow("cparm print " + truncated, &output), 1);
  EXPECT_THAT(output, HasSubstr("expected 204 bytes of record 1, got 2"));
}

}  // namespace
}  // namespace vtx::testing
