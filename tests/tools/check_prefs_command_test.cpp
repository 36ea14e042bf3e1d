// tarrow check-prefs run as a program: one bad line of each kind named with its line, keyword
// and reason; the country parameter file checked.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "tests/support/program.h"
#include "tests/support/temp_dir.h"

namespace vtx::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class CheckPrefsCommand : public ::testing::Test {
 protected:
  int Check(const std::string& arguments, std::string* errors) {
    // The installed configuration folder is the test's own.
    return RunCommand("cd " + dir_.Path("") + " && CRVN_REGISTRY=" + dir_.Path("registry.reg") +
                          " " + TarrowCommand() + "check-prefs " + arguments + " 2>&1 >/dev/null",
                      errors);
  }
  // A country parameter file of 202-byte records for the given codes.
  std::string CountryFile(const std::string& name, uint16_t record_length,
                          std::initializer_list<uint16_t> codes, size_t cut = 0) {
    std::string bytes = {static_cast<char>(record_length & 0xFF),
                         static_cast<char>(record_length >> 8), static_cast<char>(codes.size()), 0};
    for (uint16_t code : codes) {
      bytes += static_cast<char>(code & 0xFF);
      bytes += static_cast<char>(code >> 8);
      bytes += std::string(record_length, '\x01');
    }
    return dir_.Write(name, bytes.substr(0, bytes.size() - cut));
  }
  TempDir dir_{"check_prefs"};
};

TEST_F(CheckPrefsCommand, NamesEveryRefusedOrShortenedLine) {
  CountryFile("CV_CPARM.CFG", 202, {0x10});
  std::string file = dir_.Write("cvcall.cfg",
                                "# a comment\n"                           // 1
                                "nrngs 3\n"                               // 2
                                " # not a comment\n"                      // 3
                                "nrings 300\n"                            // 4
                                "pulse now\n"                             // 5
                                "country_code zz\n"                       // 6
                                "afe_config 1 2\n"                        // 7
                                "debug a.log b.log\n"                     // 8
                                "font_file f.fz8 40\n"                    // 9
                                "channel 3 v_play_gain x\n"               // 10
                                "cv_cparm = CV_CPARM.CFG\n"               // 11
                                "id_string 123456789012345678901234\n" +  // 12
                                    std::string(310, 'x') +
                                    "\n");  // 13
  std::string out;
  EXPECT_EQ(Check(file, &out), 1);
  const std::string f = file + ":";
  EXPECT_THAT(out, Not(HasSubstr(f + "1:")));
  EXPECT_THAT(out, HasSubstr(f + "2: error: unknown keyword 'nrngs'; did you mean 'nrings'?\n"));
  EXPECT_THAT(out, HasSubstr(f + "3: error: a comment starts in the first column"));
  EXPECT_THAT(out, HasSubstr(f + "4: warning: nrings keeps the low eight bits: 300 is stored as "
                                 "44\n"));
  EXPECT_THAT(out, HasSubstr(f + "5: warning: 'now' after pulse is ignored"));
  EXPECT_THAT(out, HasSubstr(f + "6: error: country_code needs a hexadecimal number\n"));
  EXPECT_THAT(out, HasSubstr(f + "7: error: afe_config needs a channel ordinal and three"));
  EXPECT_THAT(out, HasSubstr(f + "8: error: debug with a second file name needs a size\n"));
  EXPECT_THAT(out, HasSubstr(f + "9: warning: font_file index 40 is ignored"));
  EXPECT_THAT(out, HasSubstr(f + "10: error: channel 3: v_play_gain needs a decimal number\n"));
  EXPECT_THAT(out, HasSubstr(f + "11: warning: cv_cparm takes its value after a blank: '=' is "
                                 "read as the value\n"));
  EXPECT_THAT(out, HasSubstr(f + "11: error: country parameter file \"=\" does not open"));
  EXPECT_THAT(out, HasSubstr(f + "12: warning: id_string keeps its first 20 characters\n"));
  EXPECT_THAT(out, HasSubstr(f + "13: warning: the line is longer than 299 characters"));
  EXPECT_THAT(out, HasSubstr(f + "13: error: unknown keyword"));
}

TEST_F(CheckPrefsCommand, ChecksTheCountryParameterFile) {
  std::string out;
  std::string prefs = dir_.Write("p.cfg", "cv_cparm c.cfg\ncountry_code 44\n");
  CountryFile("c.cfg", 202, {0x10, 0x44});
  EXPECT_EQ(Check(prefs, &out), 0);
  EXPECT_EQ(out, "");
  CountryFile("c.cfg", 203, {0x10});
  EXPECT_EQ(Check(prefs, &out), 0);
  EXPECT_EQ(out, prefs +
                     ":1: warning: country parameter file \"c.cfg\" has no record for "
                     "country code 44: the built-in USA parameters are used\n");
  CountryFile("c.cfg", 201, {0x44});
  EXPECT_EQ(Check(prefs, &out), 1);
  EXPECT_THAT(out, HasSubstr(":1: error: country parameter file \"c.cfg\" holds records of 201 "
                             "bytes, fewer than 202"));
  CountryFile("c.cfg", 202, {0x10, 0x44}, 1);
  EXPECT_EQ(Check(prefs, &out), 1);
  EXPECT_THAT(out, HasSubstr("ends inside record 2 of 2"));
  // The default file is only missing; a named one is a mistake.
  std::string plain = dir_.Write("plain.cfg", "nrings 2\n");
  EXPECT_EQ(Check(plain, &out), 0);
  EXPECT_THAT(out, HasSubstr(plain + ": warning: country parameter file \"CV_CPARM.CFG\" does "
                                     "not open"));
  EXPECT_EQ(Check("--strict " + plain, &out), 1);
  EXPECT_EQ(Check(dir_.Path("absent.cfg"), &out), 1);

  // A relative name is found as the line configuration finds it: beside the preference file.
  ASSERT_EQ(mkdir(dir_.Path("site").c_str(), 0700), 0);
  prefs = dir_.Write("site/p.cfg", "cv_cparm site.cpm\ncountry_code 44\n");
  EXPECT_EQ(Check(prefs, &out), 1);
  EXPECT_THAT(out,
              HasSubstr(":1: error: country parameter file \"site.cpm\" does not open (No such "
                        "file or directory; looked for ./site.cpm, " +
                        dir_.Path("site/site.cpm") + " and " + dir_.Path("site.cpm") + ")"));
  CountryFile("site/site.cpm", 202, {0x44});
  EXPECT_EQ(Check(prefs, &out), 0);
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace vtx::testing
