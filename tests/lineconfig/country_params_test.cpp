#include "lineconfig/country_params.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "api/reset_status.h"
#include "tests/lineconfig/line_fixture.h"
#include "tests/support/capture.h"
#include "tests/support/scoped_env.h"

namespace vtx::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAreArray;

using Bytes = std::vector<uint8_t>;

void PutU16(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

// A record of `length` bytes: the USA block with byte 0 set to `mark`, then filler.
Bytes Record(uint16_t code, size_t length, uint8_t mark) {
  Bytes out;
  PutU16(out, code);
  out.insert(out.end(), kUsaCountryParams, kUsaCountryParams + kCountryParamsLen);
  out[2] = mark;
  out.resize(2 + length, 0xEE);
  return out;
}

class CountryParams : public LineConfigTest {
 protected:
  // The file, by default CV_CPARM.CFG in the test's folder; `at` is relative to that folder.
  std::string Write(uint16_t record_length, int16_t count, const std::vector<Bytes>& records,
                    const std::string& at = "CV_CPARM.CFG") {
    Bytes file;
    PutU16(file, record_length);
    PutU16(file, static_cast<uint16_t>(count));
    for (const Bytes& record : records) file.insert(file.end(), record.begin(), record.end());
    return dir_.Write(at, file);
  }
  void ExpectUsa() {
    EXPECT_THAT(Bytes(country(), country() + kCountryParamsLen),
                ElementsAreArray(kUsaCountryParams, kCountryParamsLen));
  }
};

TEST_F(CountryParams, SelectsTheLinesCountry) {
  std::string path =
      Write(202, 3, {Record(0x10, 202, 1), Record(0x44, 202, 2), Record(0x49, 202, 3)});
  TraceCapture trace;
  Feed("country_code 44");
  ASSERT_EQ(Close(path), 0);
  EXPECT_EQ(country()[0], 2);
  EXPECT_EQ(line_.reset_status, 0u);
  EXPECT_THAT(trace.messages(), Contains("Reading country parameter file \"" + path + "\""));
  EXPECT_THAT(trace.messages(), Contains("Country code 44 selected."));
  EXPECT_EQ(last_.reset_status, 0u);
}

TEST_F(CountryParams, LaterVersionRecordsAreLonger) {
  // 203 parameter bytes: records 205 bytes apart, the extra byte skipped.
  std::string path = Write(203, 2, {Record(0x44, 203, 7), Record(0x45, 203, 8)});
  TraceCapture trace;
  Feed("country_code 45");
  Close(path);
  EXPECT_EQ(country()[0], 8);
  EXPECT_EQ(country()[kCountryParamsLen - 1], kUsaCountryParams[kCountryParamsLen - 1]);
  EXPECT_THAT(trace.messages(), Contains("Country parameter file " + path + " compatibility."));
  EXPECT_EQ(line_.reset_status, 0u);
}

TEST_F(CountryParams, OlderVersionFileIsRefused) {
  std::string path = Write(201, 1, {Record(0x10, 201, 1)});
  TraceCapture trace;
  ASSERT_EQ(Close(path), 0);
  ExpectUsa();
  EXPECT_EQ(line_.reset_status, kResetCountryFile);
  EXPECT_THAT(trace.messages(), Contains("Error: Country parameter file " + path +
                                         " is incompatible, using USA (10)."));
  EXPECT_THAT(trace.messages(),
              Contains("Probably using a file designed for an older API version."));
}

TEST_F(CountryParams, CodeNotInTheFile) {
  for (int16_t count : {0, -1}) {
    std::string path = Write(202, count, {Record(0x10, 202, 1)});
    TraceCapture trace;
    line_.reset_status = 0;
    Feed("country_code 0x10");
    Close(path);
    ExpectUsa();
    EXPECT_EQ(line_.reset_status, kResetCountryCode) << count;
    EXPECT_THAT(trace.messages(), Contains("Warning: Country code 10 not found, using USA (10)."));
  }
}

TEST_F(CountryParams, ReadFailures) {
  struct Case {
    const char* what;
    Bytes bytes;
    const char* message;
  };
  Bytes truncated;
  PutU16(truncated, 202);
  PutU16(truncated, 2);
  Bytes first = Record(0x10, 202, 1);
  truncated.insert(truncated.end(), first.begin(), first.end());
  Bytes last = Record(0x44, 202, 2);
  Bytes cut_match = truncated;
  cut_match.insert(cut_match.end(), last.begin(), last.end() - 1);
  Bytes cut_other = truncated;
  cut_other[2] = 3;
  Bytes other = Record(0x47, 202, 2);
  cut_other.insert(cut_other.end(), other.begin(), other.end());
  cut_other.push_back(0x45);  // half a country code
  Bytes header_only = {0xCA};

  for (const Case& c :
       {Case{"matching record cut short", cut_match,
             "Error: Failed to read country parameter file %s, using USA (10)."},
        Case{"third code cut short", cut_other,
             "Error: Failed to read country parameter file %s, using USA (10)."},
        Case{"header cut short", header_only,
             "Error: Failed to read country parameter file \"%s\", using USA (10)."}}) {
    std::string path = dir_.Write("CV_CPARM.CFG", c.bytes);
    TraceCapture trace;
    line_.reset_status = 0;
    Feed("country_code 44");
    Close(path);
    EXPECT_EQ(line_.reset_status, kResetCountryFile) << c.what;
    std::string message = c.message;
    message.replace(message.find("%s"), 2, path);
    EXPECT_THAT(trace.messages(), Contains(message)) << c.what;
  }
}

// The default name, relative: the current folder first, then beside the user preference file that
// the closing call names, then the folder of the installed configuration files. An absolute name
// is looked for only where it says, and the warning names it as given.
TEST_F(CountryParams, ARelativeNameIsFoundBesideThePreferencesOrInTheConfigurationFolder) {
  for (const char* folder : {"work", "prefs", "etc"}) {
    ASSERT_EQ(mkdir(dir_.Path(folder).c_str(), 0700), 0);
  }
  ScopedEnv registry("CRVN_REGISTRY", dir_.Path("etc/registry.reg"));
  ScopedFolder work(dir_.Path("work"));
  ASSERT_TRUE(work.moved());
  const std::string preferences = dir_.Path("prefs/cvcall.cfg");
  struct Place {
    const char* at;
    uint8_t mark;
    std::string read_as;
  };
  for (const Place& place : {Place{"etc/CV_CPARM.CFG", 3, dir_.Path("etc/CV_CPARM.CFG")},
                             Place{"prefs/CV_CPARM.CFG", 2, dir_.Path("prefs/CV_CPARM.CFG")},
                             Place{"work/CV_CPARM.CFG", 1, "CV_CPARM.CFG"}}) {
    Write(202, 1, {Record(0x44, 202, place.mark)}, place.at);
    TraceCapture trace;
    Feed("country_code 44");
    VtxLineArgs close{};
    close.skip_teleph = 1;
    close.config_file_name = preferences.c_str();
    ASSERT_EQ(VtxLineConfig(&line_, &close), 0);
    EXPECT_EQ(country()[0], place.mark) << place.at;
    EXPECT_THAT(trace.messages(),
                Contains("Reading country parameter file \"" + place.read_as + "\""));
  }

  // Not there at all: the USA parameters, with the line's own code kept.
  TraceCapture trace;
  const std::string absent = dir_.Path("none/CV_CPARM.CFG");
  line_.reset_status = 0;
  Feed("country_code 44");
  EXPECT_EQ(Close(absent), 0);
  ExpectUsa();
  EXPECT_EQ(line_.reset_status, kResetCountryFile);
  EXPECT_EQ(last_.reset_status, kResetCountryFile);
  EXPECT_EQ(settings().country_code, 0x44u);
  EXPECT_THAT(trace.messages(), Contains("Warning: Failed to open country parameter file \"" +
                                         absent + "\", using USA (10)."));
}

TEST_F(CountryParams, Overrides) {
  Bytes locked = Record(0x44, 202, 0);
  locked[2 + kCountryCedLock] = 1;
  std::string path = Write(202, 2, {Record(0x10, 202, 0), locked});

  Feed("ced_timeout 5000");
  Feed("cabs 300");
  Close(path);
  EXPECT_EQ(country()[kCountryCedTimeout], 0x88);
  EXPECT_EQ(country()[kCountryCedTimeout + 1], 0x13);
  EXPECT_EQ(country()[kCountryCabs], 44);

  Feed("ced_timeout 5000");
  Feed("country_code 44");
  Close(path);
  EXPECT_EQ(country()[kCountryCedTimeout], kUsaCountryParams[kCountryCedTimeout]) << "locked";
  EXPECT_EQ(country()[kCountryCabs], kUsaCountryParams[kCountryCabs]) << "cabs -1 is absent";

  Feed("# defaults: both absent");
  Close(path);
  ExpectUsa();
}

}  // namespace
}  // namespace vtx::testing
