#include "callctrl/telephony/pcpm_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

#include "tests/support/temp_dir.h"

namespace {

using ::testing::ElementsAre;
using vtx::callctrl::PcpmTone;

class PcpmTableTest : public ::testing::Test {
 protected:
  uint32_t Parse(const std::string& text) {
    messages_.clear();
    return vtx::callctrl::ParsePcpmTable("t.pcpm", text.data(), text.size(), tones_,
                                         [this](const std::string& m) { messages_.push_back(m); });
  }
  std::vector<PcpmTone> tones_;
  std::vector<std::string> messages_;
};

TEST_F(PcpmTableTest, TonesWithCommentsAndCadences) {
  ASSERT_EQ(Parse("# dial and busy\r\ntone 1 350 440 0 0   # steady\n\ttone 7 480 0 500 500 250 "
                  "250\n"),
            0u);
  EXPECT_TRUE(messages_.empty());
  ASSERT_EQ(tones_.size(), 2u);
  EXPECT_EQ(tones_[1].id, 7);
  EXPECT_EQ(tones_[1].frequency[1], 0);
  EXPECT_EQ(tones_[1].steps, 2);
  EXPECT_EQ(tones_[1].on_off[3], 250);
}

TEST_F(PcpmTableTest, EveryBadLineIsToldWithItsLineAndNothingIsKept) {
  EXPECT_EQ(Parse("tone 1 350 440 0 0\nring 2\ntone 1 350 440 0 0\ntone 3 350 440 500\n"
                  "tone 4 100 440 0 0\ntone 5 350 440 1 1 1 1 1 1 1 1 1 1\ntone 6 350 440\n"
                  "tone 99999999 350 440 0 0\n"),
            static_cast<uint32_t>(EINVAL));
  EXPECT_TRUE(tones_.empty());
  EXPECT_THAT(messages_,
              ElementsAre("t.pcpm:2: expected 'tone', got 'ring'",
                          "t.pcpm:3: expected a tone ID not used before, got '1'",
                          "t.pcpm:4: expected a number from 0 to 10000 for OFF, got the end of "
                          "the line",
                          "t.pcpm:5: expected a number from 200 to 3400 for FREQ1, got '100'",
                          "t.pcpm:6: expected at most 4 cadence steps, got '1'",
                          "t.pcpm:7: expected ON and OFF, got the end of the line",
                          "t.pcpm:8: expected a number from 1 to 255 for ID, got '99999999'"));
}

TEST_F(PcpmTableTest, EmptyBinaryOversizedAndMissingFilesAreRefused) {
  EXPECT_EQ(Parse("# nothing\n\n"), static_cast<uint32_t>(EINVAL));
  EXPECT_THAT(messages_, ElementsAre("t.pcpm:0: expected at least one tone, got none"));
  EXPECT_EQ(Parse(std::string("tone 1 350 440 0 0\n\x7f"
                              "ELF\x02\x01",
                              25)),
            static_cast<uint32_t>(EINVAL));
  EXPECT_THAT(messages_, ElementsAre("t.pcpm:2: expected text, got byte 0x02"));
  std::string many;
  for (int id = 1; id <= 33; ++id) many += "tone " + std::to_string(id) + " 350 440 0 0\n";
  EXPECT_EQ(Parse(many + std::string(300, ' ')), static_cast<uint32_t>(EINVAL));
  EXPECT_THAT(messages_,
              ElementsAre("t.pcpm:33: expected at most 32 tones, got one more",
                          "t.pcpm:34: expected a line of at most 255 characters, got 300"));

  vtx::testing::TempDir dir;
  const std::string missing = dir.Path("missing.pcpm");
  EXPECT_EQ(vtx::callctrl::ReadPcpmTable(missing.c_str(), tones_,
                                         [this](const std::string& m) { messages_.push_back(m); }),
            static_cast<uint32_t>(ENOENT));
  EXPECT_EQ(messages_.back(), missing + ": No such file or directory");
}

}  // namespace
