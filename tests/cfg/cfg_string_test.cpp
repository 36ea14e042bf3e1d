#include "cfg/cfg_string.h"

#include <gtest/gtest.h>

#include <string>

namespace vtx::cfg {
namespace {

TEST(CfgString, ShortAndLongTextsCopyMoveAndCompare) {
  const std::string long_text(100, 'x');
  cfgString small("abc"), big(long_text), empty, from_null(static_cast<const char*>(nullptr));
  EXPECT_EQ(small, "abc");
  EXPECT_EQ(big, long_text);
  EXPECT_TRUE(empty.empty());
  EXPECT_TRUE(from_null.empty());
  EXPECT_EQ(big.c_str()[100], '\0');

  cfgString copy = big;
  EXPECT_EQ(copy.c_str(), big.c_str()) << "copies share the text";
  cfgString moved = std::move(copy);
  EXPECT_EQ(moved, long_text);
  EXPECT_TRUE(copy.empty());  // NOLINT: a moved-from string is empty
  moved = small;
  EXPECT_EQ(moved, "abc");
  moved = 'q';
  EXPECT_EQ(moved, "q");
  EXPECT_EQ(big, long_text) << "the shared text outlives its other owners";
}

TEST(CfgString, PartsShareOnlyWhenTheyEndAtATerminator) {
  const std::string text = std::string(30, 'a') + '\0' + std::string(30, 'b');
  cfgString whole(text);
  cfgString first = whole.substr(0, 30);
  cfgString tail = whole.substr(31);
  cfgString middle = whole.substr(2, 25);
  EXPECT_EQ(first.c_str(), whole.c_str());
  EXPECT_EQ(tail.c_str(), whole.c_str() + 31);
  EXPECT_NE(middle.c_str(), whole.c_str() + 2);
  EXPECT_EQ(middle, std::string(25, 'a'));
  EXPECT_EQ(middle.c_str()[25], '\0');
  EXPECT_EQ(whole.substr(200), "");
  EXPECT_EQ(cfgString("ab") + "cd", "abcd");
  EXPECT_EQ(cfgString::build(40, [](char* out) { return std::string("built").copy(out, 5); }),
            "built");
}

}  // namespace
}  // namespace vtx::cfg
