#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "api/memory.h"
#include "api/reset_status.h"
#include "lineconfig/keywords.h"
#include "tests/lineconfig/line_fixture.h"
#include "tests/support/capture.h"
#include "trace/api_log.h"

namespace vtx::testing {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;

class ConfigParser : public LineConfigTest {};

// The first line of a sequence starts from the defaults (a few of them stand for the table;
// those of the font, the call-control file and the front end are seen by their keywords' tests).
TEST_F(ConfigParser, FirstLineStartsFromTheDefaults) {
  ASSERT_EQ(Feed("# nothing but a comment"), 0);
  EXPECT_EQ(line_.reset_status, 0u);
  EXPECT_EQ(settings().country_code, 0x10u);
  EXPECT_EQ(settings().dtmf_harmonic, -240);
  EXPECT_EQ(settings().start_signal, kStartWink);
  EXPECT_EQ(settings().dial_mode, kDialTone);
  EXPECT_STREQ(settings().cv_cparm, "CV_CPARM.CFG");
  EXPECT_STREQ(settings().id_string, "                    ");
  EXPECT_EQ(Font(0), "(empty)");
  EXPECT_EQ(country()[0x19], 0xA0);  // the USA block

  // A later line of the same sequence keeps what earlier lines set.
  Feed("nrings 5");
  Feed("agc 9");
  EXPECT_EQ(settings().nrings, 5);
}

// Every keyword writes its own setting; only four pairs of synonyms and opposites share one
// (busy_ct and busy_dt_ct, the two width behaviours, wink and immediate, tone and pulse).
TEST_F(ConfigParser, KeywordsWriteDistinctSettings) {
  std::map<size_t, std::set<std::string>> by_setting;
  for (const Keyword& keyword : kKeywords) {
    by_setting[keyword.offset].insert(keyword.name);
    EXPECT_EQ(FindKeyword(keyword.name), &keyword);

    // Each keyword changes its setting from a known state (value 7; a flag its byte).
    line_.config.sequence_open = 0;  // the next line starts from the defaults
    Feed("tone");
    Feed("immediate");
    LineSettings before = settings();
    std::string text = std::string(keyword.name) + " 7";
    ASSERT_EQ(Feed(text.c_str()), 0);
    if (keyword.name != std::string("tone") && keyword.name != std::string("immediate")) {
      EXPECT_NE(std::memcmp(&before, &settings(), sizeof before), 0) << keyword.name;
    }
  }
  EXPECT_EQ(line_.reset_status, 0u);

  using Names = std::set<std::string>;
  const std::set<Names> pairs = {{"busy_ct", "busy_dt_ct"},
                                 {"width_behavior", "width_res_behavior"},
                                 {"wink", "immediate"},
                                 {"tone", "pulse"}};
  std::set<Names> shared;
  for (const auto& [offset, names] : by_setting) {
    if (names.size() > 1) shared.insert(names);
  }
  EXPECT_EQ(shared, pairs);
  EXPECT_EQ(by_setting.size(), kKeywordCount - pairs.size());
}

TEST_F(ConfigParser, CommentsOnlyInTheFirstColumnAndKeywordsEndAtWhiteSpace) {
  TraceCapture trace;
  Feed("#nrings 9");
  Feed("");
  Feed("   \t ");
  EXPECT_EQ(line_.reset_status, 0u);
  EXPECT_EQ(settings().nrings, 1);

  EXPECT_EQ(Feed("  #nrings 9"), 0) << "a bad line never fails the call";
  EXPECT_EQ(line_.reset_status, kResetBadConfigLine);
  EXPECT_EQ(last_.status, CV_STATUS_OK);
  EXPECT_THAT(trace.messages(), Contains("Warning: bad configuration file line:   #nrings 9"));

  // A keyword ends at white space: a longer word, or one longer than any keyword, is no keyword.
  Feed("nrings\t7");
  EXPECT_EQ(settings().nrings, 7);
  line_.reset_status = 0;
  Feed("nringsx 8");
  Feed((std::string(56, 'k') + " 1").c_str());
  EXPECT_EQ(line_.reset_status, kResetBadConfigLine);
  EXPECT_EQ(settings().nrings, 7);
}

TEST_F(ConfigParser, NumbersByKind) {
  Feed("COUNTRY_CODE 0x44");
  EXPECT_EQ(settings().country_code, 0x44u);
  Feed("Country_Code 44");
  EXPECT_EQ(settings().country_code, 0x44u) << "hexadecimal without the prefix";
  Feed("nrings 300");
  EXPECT_EQ(settings().nrings, 44) << "the low eight bits";
  Feed("v_play_gain -6");
  EXPECT_EQ(static_cast<uint8_t>(settings().v_play_gain), 0xFA);
  Feed("cabs   12 and more");
  EXPECT_EQ(settings().cabs, 12) << "white space before and text after the number";
  Feed("subpwdsep 1f");
  EXPECT_EQ(settings().subpwdsep, 0x1F);
  Feed("dtmf_harmonic -300");
  EXPECT_EQ(settings().dtmf_harmonic, -300);
  EXPECT_EQ(line_.reset_status, 0u);

  for (const char* bad : {"nrings", "nrings x", "country_code zz", "cabs -", "restrict_res x1"}) {
    line_.reset_status = 0;
    Feed(bad);
    EXPECT_EQ(line_.reset_status, kResetBadConfigLine) << bad;
  }
  EXPECT_EQ(settings().nrings, 44);
  Feed("restrict_res 0xg");
  EXPECT_EQ(settings().restrict_res, 0u) << "the 0 before an x that no digit follows";
}

TEST_F(ConfigParser, PairsOfKeywordsShareOneSetting) {
  Feed("busy_ct 4");
  EXPECT_EQ(settings().busy_ct, 4);
  EXPECT_EQ(settings().v_record_gain, 0);
  EXPECT_EQ(settings().play_preemph, 0);
  EXPECT_EQ(settings().play_drc, 1);
  Feed("busy_dt_ct 6");
  EXPECT_EQ(settings().busy_ct, 6);

  Feed("tone");
  Feed("pulse");
  EXPECT_EQ(settings().dial_mode, kDialPulse);
  Feed("immediate whatever follows");
  EXPECT_EQ(settings().start_signal, kStartImmediate);
  Feed("width_behavior 0");
  Feed("width_res_behavior 3");
  EXPECT_EQ(settings().width_behavior, 3);
  EXPECT_EQ(line_.reset_status, 0u);
}

TEST_F(ConfigParser, StringValues) {
  Feed("cv_cparm \"my country file.cfg\" trailing");
  EXPECT_STREQ(settings().cv_cparm, "my country file.cfg");
  Feed("cv_cparm plain name.cfg");
  EXPECT_STREQ(settings().cv_cparm, "plain");
  Feed("pcpm_table \"open quote to the end ");
  EXPECT_STREQ(settings().pcpm_table, "open quote to the end ");
  EXPECT_EQ(line_.reset_status, 0u);

  Feed("call_control   ");
  EXPECT_EQ(line_.reset_status, kResetBadConfigLine) << "no value";
  line_.reset_status = 0;
  std::string too_long = "call_control " + std::string(256, 'n');
  Feed(too_long.c_str());
  EXPECT_EQ(line_.reset_status, kResetBadConfigLine);
  EXPECT_STREQ(settings().call_control, "callctrl.cfg") << "a bad value leaves the setting";
}

TEST_F(ConfigParser, DebugControlPairs) {
  for (const char* text : {"debug_control 9 1", "debug_control 0x2 a", "debug_control 5 ffffffff",
                           "debug_control 6 0"}) {
    Feed(text);
  }
  EXPECT_EQ(line_.reset_status, 0u);
  Feed("debug_control 7 7");
  EXPECT_EQ(line_.reset_status, kResetBadConfigLine) << "a fifth pair";
  line_.reset_status = 0;
  Feed("debug_control 7");
  EXPECT_EQ(line_.reset_status, kResetBadConfigLine) << "one word";

  const DebugControlPair* pairs = settings().debug_control;
  EXPECT_EQ(pairs[0].first, 9u);
  EXPECT_EQ(pairs[1].second, 0xAu);
  EXPECT_EQ(pairs[2].second, 0xFFFFFFFFu);
  EXPECT_EQ(pairs[3].first, 6u);
}

TEST_F(ConfigParser, ChannelLines) {
  TraceCapture trace;
  Feed("channel 3 nrings 2");
  EXPECT_EQ(settings().nrings, 2);
  Feed("channel 4 nrings 9");
  Feed("channel 4");
  Feed("channel 4 nonsense");
  EXPECT_EQ(settings().nrings, 2);
  EXPECT_EQ(line_.reset_status, 0u) << "lines of other channels are ignored quietly";

  Feed("channel 3 channel 3 agc 5");
  EXPECT_EQ(settings().agc, 5);
  Feed("channel 3 #agc 6");
  EXPECT_EQ(settings().agc, 5) << "the inner text starts a line of its own";

  trace.Clear();
  EXPECT_EQ(Feed("channel 3 nonsense 1"), 0);
  EXPECT_EQ(line_.reset_status, kResetBadConfigLine);
  EXPECT_THAT(trace.messages(), Contains("Warning: bad configuration file line: nonsense 1"));

  for (const char* bad : {"channel", "channel x nrings 1", "channel 3", "channel 3   "}) {
    trace.Clear();
    line_.reset_status = 0;
    Feed(bad);
    EXPECT_EQ(line_.reset_status, kResetBadConfigLine) << bad;
    EXPECT_THAT(trace.messages(),
                Contains(std::string("Warning: bad configuration file line: ") + bad));
  }
}

TEST_F(ConfigParser, AnalogFrontEnd) {
  Feed("afe_config 2 1 2 3");
  EXPECT_EQ(settings().afe_present, 0);
  Feed("afe_config 3 1a 0x2b ff");
  EXPECT_EQ(settings().afe_present, 1);
  EXPECT_EQ(settings().afe_config[0], 0x1A);
  EXPECT_EQ(settings().afe_config[1], 0x2B);
  EXPECT_EQ(settings().afe_config[2], 0xFF);
  EXPECT_EQ(line_.reset_status, 0u);
  Feed("afe_config 2 1 2");
  EXPECT_EQ(line_.reset_status, kResetBadConfigLine) << "three of four values, other channel";
}

TEST_F(ConfigParser, FontFiles) {
  Feed("font_file big.fz8 31");
  EXPECT_EQ(Font(31), "ibmpcps.fz8") << "31 is not an index";
  Feed("font_file \"my font.fz8\" 255");
  EXPECT_EQ(Font(31), "my font.fz8");
  Feed("font_file first.fz8");
  Feed("font_file fifth.fz8 5");
  Feed("font_file fifth2.fz8 5");
  Feed("font_file neg.fz8 -1");
  Feed("font_file huge.fz8 1000");
  EXPECT_EQ(Font(0), "first.fz8");
  EXPECT_EQ(Font(5), "fifth2.fz8");
  Feed("font_file ignored.fz8 6", 1);
  EXPECT_EQ(Font(6), "(empty)") << "no_fonts";
  EXPECT_EQ(line_.reset_status, 0u);
  Feed("font_file");
  EXPECT_EQ(line_.reset_status, kResetBadConfigLine);
}

// Fails every font name allocation.
void* NoFontMemory(size_t size, int32_t, uint32_t tag) {
  return tag == api::kMemTagFontName ? nullptr : malloc(size);
}

TEST_F(ConfigParser, FontMemoryFailure) {
  VtxMemAllocFuncsSet(&NoFontMemory, nullptr);
  TraceCapture trace;
  Feed("font_file a.fz8 2");
  VtxMemAllocFuncsSet(nullptr, nullptr);
  EXPECT_EQ(line_.reset_status, kResetFontMemory) << "the default font and the named one";
  EXPECT_EQ(Font(31), "(empty)");
  EXPECT_EQ(Font(2), "(empty)");
  EXPECT_THAT(trace.messages(), Contains("config: font file mem alloc error"));
}

TEST_F(ConfigParser, StationIdentifier) {
  Feed("id_string    +1 555 0100 Fax Room 12 and more");
  EXPECT_STREQ(settings().id_string, "+1 555 0100 Fax Room");
  Feed("id_string 1234567890123456789012345");
  EXPECT_STREQ(settings().id_string, "12345678901234567890");
  Feed("id_string  Sales   \r");
  EXPECT_STREQ(settings().id_string, "Sales");
  Feed("id_string    ");
  EXPECT_STREQ(settings().id_string, "Sales") << "empty text leaves it";
  EXPECT_EQ(line_.reset_status, 0u);
}

TEST_F(ConfigParser, TraceKeywords) {
  TraceCapture trace(0, 0);
  Feed("debug_options 7");
  EXPECT_EQ(trace::FunctionOptions(), 3u);
  Feed("DEBUG");
  EXPECT_EQ(trace::Mask(), VTX_TRACE_ALL);

  std::string file = dir_.Path("trace.log");
  trace::InstallFunction(nullptr);  // trace files are refused while a function takes the lines
  Feed(("debug " + file).c_str());
  trace::Message(nullptr, trace::kLevelInfo, "into the file");
  Feed(("debug " + file + " other.log").c_str());
  Feed("debug_options");
  trace::InstallFunction(nullptr);  // closes the file
  EXPECT_EQ(line_.reset_status, kResetBadConfigLine);

  FILE* written = fopen(file.c_str(), "r");
  ASSERT_NE(written, nullptr);
  char text[4096] = {};
  size_t length = fread(text, 1, sizeof text - 1, written);
  fclose(written);
  EXPECT_THAT(std::string(text, length), HasSubstr("into the file"));
}

TEST_F(ConfigParser, RefusesAsynchronousUse) {
  TraceCapture trace(0xFFFFFFFF, 3);
  VtxLineArgs args{};
  args.config_file_line = "nrings 4";
  args.async_lp = 1;
  EXPECT_EQ(VtxLineConfig(&line_, &args), -1);
  EXPECT_EQ(args.status, CV_STATUS_ERROR);
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR));
  EXPECT_EQ(line_.config.sequence_open, 0u);
  // The refusal of the operation itself is traced under its own name.
  EXPECT_THAT(trace.messages(),
              Contains("VtxLineConfig: Return (ret=-1,res.status=2,res.line_status=29)"));
  EXPECT_THAT(trace.messages(), Not(Contains(HasSubstr("unknown"))));
}

}  // namespace
}  // namespace vtx::testing
