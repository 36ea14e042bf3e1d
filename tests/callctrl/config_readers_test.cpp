#include <cstring>

#include "callctrl/config/enum_tables.h"
#include "config_fixture.h"

namespace vtx::callctrl::testing {
namespace {

class ReadersTest : public ConfigTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(
        Open("[s]\nflag = Enabled\nlevel = 7\nword = bogus\nnum = abc\nbig = 99\n"
             "text = a long value\n"));
    SetReadSection(config_, "/s");
    messages_.clear();
  }
};

TEST_F(ReadersTest, EnumeratedReaderMatchesCaseFreeAndReportsEveryFallback) {
  int32_t value = -7, raw = 0;
  EXPECT_EQ(5, ReadEnumerated(config_, "flag", tables::kBoolean, &value, 0, false, &raw));
  EXPECT_EQ(1, value);
  EXPECT_TRUE(messages_.empty());

  EXPECT_EQ(-2, ReadEnumerated(config_, "level", tables::kTraceLevel, &value, 0, false, &raw));
  EXPECT_EQ(7, value);
  EXPECT_EQ(7, raw);
  ASSERT_EQ(
      1u, Find(kWarning, "A non-enumerated setting '7' for the optional parameter 'level'").size());
  EXPECT_EQ(3, messages_[0].line);
  EXPECT_NE(std::string::npos, messages_[0].text.find("section [/s/] in '"));

  EXPECT_EQ(1, ReadEnumerated(config_, "word", tables::kTraceLevel, &value, 1, true, &raw));
  EXPECT_EQ(1, value);
  EXPECT_TRUE(Once(kError,
                   "The setting 'bogus' for the enumerated mandatory parameter 'word' is "
                   "incorrect. The default setting 'error'"));

  raw = 42;
  EXPECT_EQ(-1, ReadEnumerated(config_, "word", tables::kTraceLevel, &value, -1, false, &raw));
  EXPECT_TRUE(Once(kError, "Unable to select a default setting"));

  EXPECT_EQ(-1, ReadEnumerated(config_, "absent", tables::kTraceLevel, &value, -1, true, &raw));
  EXPECT_EQ(42, value);
  EXPECT_TRUE(Once(kError,
                   "A mandatory setting for parameter 'absent' is missing and no default value can "
                   "be applied."));

  EXPECT_EQ(3, ReadEnumerated(config_, "absent", tables::kTraceLevel, &value, 3, false, &raw));
  EXPECT_EQ(3, value);
  EXPECT_TRUE(Once(kWarning,
                   "The setting for the enumerated optional parameter 'absent' is missing. The "
                   "default setting 'basic'"));
}

TEST_F(ReadersTest, IntegerReadersApplyRangeAndMandatoryDefaults) {
  int32_t value = 0;
  EXPECT_EQ(0, ReadSigned(config_, "num", -5, 5, 3, false, &value));
  EXPECT_EQ(0, value);  // not a number reads as 0, inside the range
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(1, ReadSigned(config_, "num", 1, 5, 3, false, &value));
  EXPECT_EQ(3, value);
  EXPECT_TRUE(Once(kWarning,
                   "The setting 'abc' for the optional parameter 'num' is incorrect. It should be "
                   "between 1 and 5."));
  EXPECT_EQ(1, ReadSigned(config_, "big", 0, 20, 4, false, &value));
  EXPECT_EQ(4, value);
  messages_.clear();
  EXPECT_EQ(0, ReadSigned(config_, "absent", 0, 20, 4, false, &value));
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(1, ReadSigned(config_, "absent", 0, 20, 6, true, &value));
  EXPECT_EQ(6, value);
  EXPECT_TRUE(Once(kWarning,
                   "A mandatory setting for 'absent' parameter is missing in the configuration "
                   "file. The default setting '6'"));

  uint32_t unsigned_value = 0;
  EXPECT_EQ(0, ReadUnsigned(config_, "big", 0, 4000000000u, 1, false, &unsigned_value));
  EXPECT_EQ(99u, unsigned_value);
  EXPECT_EQ(1, ReadUnsigned(config_, "big", 100, 4000000000u, 150, false, &unsigned_value));
  EXPECT_EQ(150u, unsigned_value);
  EXPECT_TRUE(Once(kWarning, "between 100 and 4000000000"));
}

TEST_F(ReadersTest, StringReaderResults) {
  char buffer[8] = "keep";
  EXPECT_EQ(0, ReadString(config_, "text", nullptr, buffer, sizeof buffer, true));
  EXPECT_STREQ("a long ", buffer);
  std::strcpy(buffer, "keep");
  EXPECT_EQ(0, ReadString(config_, "absent", nullptr, buffer, sizeof buffer, false));
  EXPECT_STREQ("keep", buffer);
  EXPECT_EQ(-2, ReadString(config_, "absent", nullptr, buffer, sizeof buffer, true));
  EXPECT_STREQ("keep", buffer);
  EXPECT_EQ(-4, ReadString(config_, "absent", "", buffer, sizeof buffer, true));
  EXPECT_STREQ("", buffer);
  EXPECT_EQ(-3, ReadString(config_, "absent", "dflt", buffer, sizeof buffer, false));
  EXPECT_STREQ("dflt", buffer);
  EXPECT_TRUE(Once(kWarning, "The default setting 'dflt' for this parameter"));
}

TEST_F(ReadersTest, InvalidHandlesAreRefused) {
  int32_t value = 9;
  EXPECT_EQ(-2, GetApiTrace(nullptr, &value));
  EXPECT_EQ(9, value);
  EXPECT_EQ(-1, ModuleRecordCount(nullptr));
  EXPECT_EQ(nullptr, GetModuleRecord(nullptr, 2, true));
  char buffer[16];
  EXPECT_EQ(-2, ReadConfigEntry(nullptr, "/x", buffer, sizeof buffer));
  EXPECT_EQ(0, ReadConfigEntry(config_, "/s/flag", buffer, sizeof buffer));
  EXPECT_STREQ("Enabled", buffer);
  EXPECT_EQ(-1, ReadConfigEntry(config_, "/s/none", buffer, sizeof buffer));
}

}  // namespace
}  // namespace vtx::callctrl::testing
