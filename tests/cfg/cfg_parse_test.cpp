#include <cstdlib>

#include "cfg_fixture.h"
#include "tests/support/environment.h"

namespace vtx::cfg::testing {
namespace {

using Kind = cfgConfiguration;

TEST_F(CfgTest, ItemValuesLoseTrailingBlanksAndQuotesButKeepQuotedBlanks) {
  Parse(
      "top = root value   \n"
      "[s]\n"
      "  plain=abc   \n"
      "quoted = \"  two blanks\"\n"
      "colon: x\n"
      "bare\n"
      "inner = a\"b\"\n"
      "twice == x\n");
  EXPECT_EQ(result_, 0);
  EXPECT_EQ(Read("/top"), "root value");
  EXPECT_EQ(Read("/s/plain"), "abc");
  EXPECT_EQ(Read("/s/quoted"), "  two blanks");
  EXPECT_EQ(Read("/s/colon"), "x");
  EXPECT_EQ(Read("/s/bare"), "");
  EXPECT_EQ(Read("/s/inner"), "a\"b\"");
  EXPECT_EQ(Read("/s/twice"), "= x");
  EXPECT_EQ(Read("/s/absent"), "<missing>");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(CfgTest, ContinuationJoinsOnOddBackslashesOnly) {
  Parse(
      "[s]\n"
      "one = first \\\n"
      "      second\n"
      "two = ends\\\\\n"
      "three = 3\n"
      "four = a\\\\\\\n"
      "\tb\n");
  EXPECT_EQ(Read("/s/one"), "first second");
  EXPECT_EQ(Read("/s/two"), "ends\\\\");
  EXPECT_EQ(Read("/s/four"), "a\\\\b");
  // Line numbers stay those of the file, so messages point at the right place.
  EXPECT_EQ(config_->findSection("/s")->findItem("three")->lineNumber(), 5);
  EXPECT_EQ(config_->findSection("/s")->findItem("one")->lineNumber(), 2);
}

TEST_F(CfgTest, HeadersNameSectionsByPathWithoutRegardToCase) {
  Parse(
      "[Module.2]\n"
      "a = 1\n"
      "[module.2/port.1]\n"
      "p = 7\n"
      "[MODULE.2]\n"
      "b = 2\n");
  EXPECT_EQ(Read("/module.2/a"), "1");
  EXPECT_EQ(Read("/MODULE.2/B"), "2");
  EXPECT_EQ(Read("/module.2/Port.1/p"), "7");
  const cfgSection* section = config_->findSection("/module.2");
  ASSERT_NE(section, nullptr);
  EXPECT_EQ(std::string(section->name().view()), "Module.2");
  EXPECT_EQ(section->path(), "/Module.2");
  EXPECT_EQ(section->lineNumber(), 5);
  EXPECT_EQ(Texts(Kind::kWarning),
            std::vector<std::string>{"Previous line '[Module.2]' is being reset with "
                                     "'[MODULE.2]'. This function is being called twice."});
}

TEST_F(CfgTest, ExtraDotDotAboveTheRootIsDroppedWithAWarning) {
  Parse(
      "[../a/./b/../c]\n"
      "k = v\n");
  EXPECT_EQ(Read("/a/c/k"), "v");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].kind, Kind::kWarning);
  EXPECT_EQ(messages_[0].line, 1);
  EXPECT_EQ(messages_[0].text, "'../a/./b/../c' has extra '..', ignored.");
}

TEST_F(CfgTest, EnvironmentVariablesExpandWhenSetAndStayWhenUnsetOrEscaped) {
  vtx::testing::SetVariable("CFG_TEST_DIR", "/opt/x");
  vtx::testing::UnsetVariable("CFG_TEST_UNSET");
  Parse(
      "set = %CFG_TEST_DIR%/bin\n"
      "unset = %CFG_TEST_UNSET%/bin\n"
      "escaped = \\%CFG_TEST_DIR%\n"
      "forms = $CFG_TEST_DIR $(CFG_TEST_DIR) ${CFG_TEST_DIR} 100%\n");
  EXPECT_EQ(Read("/set"), "/opt/x/bin");
  EXPECT_EQ(Read("/unset"), "%CFG_TEST_UNSET%/bin");
  EXPECT_EQ(Read("/escaped"), "%CFG_TEST_DIR%");
  EXPECT_EQ(Read("/forms"), "/opt/x /opt/x /opt/x 100%");
  // The model keeps the text as written.
  EXPECT_EQ(config_->root().findItem("set")->value(), "%CFG_TEST_DIR%/bin");
}

TEST_F(CfgTest, RepeatedKeyKeepsTheFirstValueWithTwoWarnings) {
  Parse(
      "[mod]\n"
      "key = first\n"
      "other = x\n"
      "KEY = second\n");
  EXPECT_EQ(Read("/mod/key"), "first");
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0].line, 4);
  EXPECT_EQ(messages_[0].text,
            "item 'KEY' was first found at line 2 in the input stream. duplicates will be "
            "ignored.");
  EXPECT_EQ(messages_[1].line, -1);
  EXPECT_EQ(messages_[1].text,
            "item 'KEY' appears more than once in section '/mod'; previously found at 2");
  EXPECT_EQ(config_->warningCount(), 2);
  // The repeated line stays in the file as it was written.
  config_->write("/mod/other", "y");
  EXPECT_EQ(Store(), "[mod]\r\n  key=first\r\n  other=y\r\nKEY = second\r\n");
}

TEST_F(CfgTest, RepeatedFontFileTakesTheLaterValueSilently) {
  Parse(
      "font_file = a.fnt\n"
      "font_file = b.fnt\n");
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(Read("/font_file"), "b.fnt");
  EXPECT_EQ(config_->root().findItem("font_file")->lineNumber(), 2);
  config_->write("/font_file", "c.fnt");
  EXPECT_EQ(Store(), "  font_file=a.fnt\r\n  font_file=c.fnt\r\n");
}

// The file is read in blocks: a line that runs over several, carriage returns anywhere and a
// last line without a line feed read as they would from the whole file.
TEST_F(CfgTest, LinesLongerThanAReadBlockKeepTheirTextAndNumbers) {
  std::string value;
  for (int i = 0; value.size() < 200000; ++i) value += "v" + std::to_string(i) + ",";
  std::string written = value;
  for (size_t at = 1000; at < written.size(); at += 65536) written.insert(at, "\r");
  Parse(
      "[big]\r\n"
      "long = " +
      written +
      "\r\n"
      "; after\r\n"
      "short = x\\\n"
      "  y\n"
      "last = end");
  EXPECT_EQ(result_, 0);
  EXPECT_TRUE(messages_.empty());
  const cfgSection* big = config_->findSection("/big");
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(big->findItem("long")->value().view(), value);
  EXPECT_EQ(big->findItem("short")->value().view(), "xy");
  EXPECT_EQ(big->findItem("last")->lineNumber(), 6);
  EXPECT_EQ(Store(true),
            "[big]\r\n  long=" + value + "\r\n; after\r\n  short=xy\r\n  last=end\r\n");
}

// Thousands of lines, values written over and over, and a later font_file line that takes over
// an item whose value a write gave: every value reads back as last given.
TEST_F(CfgTest, ValuesSurviveManyLinesRewritesAndALaterFontFile) {
  std::string file;
  for (int i = 0; i < 3000; ++i) {
    file += "[s" + std::to_string(i % 7) + "]\nk" + std::to_string(i) + " = v" + std::to_string(i) +
            "\n";
  }
  Parse(file);
  for (int i = 0; i < 3000; i += 7) {
    const std::string key = "/s" + std::to_string(i % 7) + "/k" + std::to_string(i);
    ASSERT_EQ(Read(key.c_str()), "v" + std::to_string(i));
    EXPECT_EQ(config_->findSection(("/s" + std::to_string(i % 7)).c_str())
                  ->findItem("k" + std::to_string(i))
                  ->lineNumber(),
              2 * i + 2);
  }
  for (int round = 0; round < 50; ++round) {
    const std::string value(round % 2 ? 40 : 3, static_cast<char>('a' + round % 26));
    config_->write("/s3/k3", value.c_str());
  }
  EXPECT_EQ(Read("/s3/k3"), std::string(40, 'a' + 49 % 26));
  config_->write("/s3/font_file", std::string(100, 'f').c_str());
  EXPECT_EQ(config_->parseFile(WriteFile("more.cfg", "[s3]\nfont_file = later\n").c_str()), 0);
  EXPECT_EQ(Read("/s3/font_file"), "later");
  EXPECT_EQ(config_->findSection("/s3")->findItem("font_file")->lineNumber(), 2);
}

TEST_F(CfgTest, EmptyFiles) {
  Parse("");
  EXPECT_EQ(result_, 0);
  EXPECT_TRUE(messages_.empty());
  Parse("\n");
  EXPECT_EQ(result_, 0);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].line, 0);
  EXPECT_EQ(messages_[0].text, "The input stream seems to be empty.");
}

TEST_F(CfgTest, UnterminatedHeaderIsSkippedOrAbortsByTheCallback) {
  const std::string text = "[open\\]\nk = v\n[s]\nj = w\n";
  Parse(text);
  EXPECT_EQ(result_, 0);
  EXPECT_EQ(Texts(Kind::kError), std::vector<std::string>{"unexpected character '\n' in input "
                                                          "stream."});
  EXPECT_EQ(messages_[0].line, 1);
  EXPECT_EQ(Read("/k"), "v");
  EXPECT_EQ(Read("/s/j"), "w");

  messages_.clear();
  abortOnError_ = 1;
  Parse(text);
  EXPECT_EQ(result_, -1);
  EXPECT_EQ(Read("/k"), "<missing>");
}

TEST_F(CfgTest, TextAfterAHeaderIsIgnoredWithAWarningUnlessItIsAComment) {
  Parse("[a] ; fine\n[b] junk\n");
  EXPECT_EQ(Texts(Kind::kWarning),
            std::vector<std::string>{"line 2: '[b] junk' ignored after section header in "
                                     "input stream."});
  EXPECT_EQ(messages_[0].line, 2);
  EXPECT_TRUE(config_->hasSubsection("/b"));
}

TEST_F(CfgTest, EscapingDecodesKeysNamesAndValues) {
  Parse(
      "[we\\]ird]\n"
      "my\\ key = \"\\ttab\\\\ \\q\"\n",
      true);
  EXPECT_EQ(Read("/we]ird/my key"), "\ttab\\ ");
  // With escaping off the backslashes stay.
  Parse("path = C:\\dir\\n\n");
  EXPECT_EQ(Read("/path"), "C:\\dir\\n");
}

}  // namespace
}  // namespace vtx::cfg::testing
