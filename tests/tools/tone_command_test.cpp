#include <gtest/gtest.h>

#include <string>

#include "sig_gen.h"
#include "tests/tools/served_machine.h"

namespace {

class ToneCommandTest : public vtx::testing::ServedMachineTest {
 protected:
  void Prepare(sim::Module& module) override { module.heard_tones()[2] = {"15#", 30, 20}; }
};

TEST_F(ToneCommandTest, ListenPrintsWhatTheChannelHearsAndPlaySendsEachDigit) {
  std::string out;
  ASSERT_EQ(Run("tone 2 2 listen --seconds 1", &out), 0) << err_;
  EXPECT_EQ(out, "1\n5\n#\n");
  ASSERT_EQ(Run("tone 2 2 listen --seconds 1 --ends", &out), 0) << err_;
  EXPECT_EQ(out, "1\nend\n5\nend\n#\nend\n");
  EXPECT_EQ(Run("tone 2 3 listen --seconds 1", &out), 0) << err_;
  EXPECT_EQ(out, "") << "channel 3 hears nothing";

  ASSERT_EQ(Run("tone 2 2 play 42 --length 30 --type 12", &out), 0) << err_;
  EXPECT_EQ(out, "played 42\n");
  size_t played = 0;
  WhileStopped([&](sim::Module& module) {
    for (const auto& command : module.CommandLog()) {
      if (command.facility != MILL_FACILITY_SIG_GEN || command.verb != MILL_VERB_START) continue;
      ++played;
      EXPECT_EQ(command.Find(SIG_GEN_TONE_GEN_TYPE_VAR)->Value(), 12u);
      EXPECT_EQ(command.Find(SIG_GEN_SIGNAL_LENGTH_VAR)->Value(), 30u);
    }
  });
  EXPECT_EQ(played, 2u);
}

TEST_F(ToneCommandTest, RefusalsAndBadArguments) {
  std::string out;
  EXPECT_EQ(Run("tone 2 2 play 4 --type 13", &out), 1);
  EXPECT_NE(err_.find("tarrow tone: "), std::string::npos) << err_;
  EXPECT_EQ(Run("tone 2 2 hum", &out), 2);
  EXPECT_NE(err_.find("usage: tarrow tone"), std::string::npos);
  EXPECT_EQ(Run("tone 2 x listen", &out), 2);
  EXPECT_NE(err_.find("for CHANNEL, got \"x\""), std::string::npos) << err_;
  EXPECT_EQ(Run("tone 2 2 play 1 --length 70000", &out), 2);
  EXPECT_EQ(Run("tone 2 99 listen", &out), 1);
}

}  // namespace
