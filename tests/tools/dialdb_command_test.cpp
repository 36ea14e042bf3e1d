// tarrow dialdb run as a program: a number barred by the USA limits, released by clear, and a
// damaged file reported with its position.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/program.h"
#include "tests/support/temp_dir.h"

namespace vtx::testing {
namespace {

using ::testing::HasSubstr;

class DialDbCommand : public ::testing::Test {
 protected:
  int Run(const std::string& arguments, std::string* output) {
    return RunCommand(TarrowCommand() + "dialdb " + arguments + " 2>&1", output);
  }
  TempDir dir_{"dialdb_tool"};
  std::string db_ = dir_.Path("dial.db");
};

TEST_F(DialDbCommand, BarsAfterTheUsaLimitAndClearReleases) {
  std::string out;
  ASSERT_EQ(Run("update " + db_ + " 555-0100 --outcome answered", &out), 0) << out;
  EXPECT_EQ(out, "555-0100: free\n");
  ASSERT_EQ(Run("update " + db_ + " '(555) 0100' --outcome answered", &out), 0) << out;
  EXPECT_THAT(out, HasSubstr("refused until cleared (reason 5"));
  for (int i = 0; i < 15; ++i) ASSERT_EQ(Run("update " + db_ + " 5550111 --outcome busy", &out), 0);
  EXPECT_THAT(out, HasSubstr("(reason 9"));

  ASSERT_EQ(Run("list " + db_ + " --json", &out), 0) << out;
  const nlohmann::json records = nlohmann::json::parse(out)["records"];
  EXPECT_EQ(records[0]["key"], "5550100");
  EXPECT_EQ(records[0]["next_time"], 4294967295u);
  EXPECT_EQ(records[0]["next"], "barred");
  EXPECT_EQ(records[1]["count_b"], 15);
  EXPECT_EQ(records[1]["total"], 15);
  EXPECT_EQ(records[1]["flags"], nlohmann::json({"last_kind1", "existed", "wait_b"}));

  ASSERT_EQ(Run("clear " + db_ + " 5550100", &out), 0) << out;
  EXPECT_EQ(out, "5550100: free\n");
  ASSERT_EQ(Run("check " + db_ + " 119 --country 810", &out), 0) << out;
  EXPECT_THAT(out, HasSubstr("119: refused (reason 3"));
}

TEST_F(DialDbCommand, ListNamesTheDamagedPositions) {
  std::string out;
  ASSERT_EQ(Run("update " + db_ + " 5550100 --outcome busy", &out), 0) << out;
  {
    std::ofstream damage(db_, std::ios::binary | std::ios::app);
    damage << std::string(96, 'z') << "tail";
  }
  EXPECT_EQ(Run("list " + db_, &out), 1);
  EXPECT_THAT(out, HasSubstr("record at byte 96 is damaged: its key is not a number"));
  EXPECT_THAT(out, HasSubstr("damaged at byte 192: the file ends 4 bytes into a 96-byte record"));
  EXPECT_THAT(out, HasSubstr("5550100"));
  EXPECT_EQ(Run("update " + db_ + " 5550199 --outcome busy", &out), 1);
  EXPECT_EQ(Run("update " + db_ + " 5550199 --outcome bogus", &out), 2);
}

}  // namespace
}  // namespace vtx::testing
