#include "cfg/cfg_closest.h"

#include <gtest/gtest.h>

namespace vtx::cfg {
namespace {

TEST(ClosestName, SuggestsSlipsOfTheKeyboardOnly) {
  const std::vector<std::string> keys = {"channels", "connections", "sip_port", "set_api"};
  EXPECT_EQ(closestName("chanels", keys), "channels");    // a letter dropped
  EXPECT_EQ(closestName("sip_prot", keys), "sip_port");   // two letters swapped
  EXPECT_EQ(closestName("SIP_PORT2", keys), "sip_port");  // case does not count
  EXPECT_EQ(closestName("foo_bar", keys), "");
  // Short names need a closer match: two steps would turn any three letters into another.
  EXPECT_EQ(closestName("abc", {"xyz", "abd"}), "abd");
  EXPECT_EQ(closestName("ab", {"xy"}), "");
  EXPECT_EQ(closestName("anything", {}), "");
}

}  // namespace
}  // namespace vtx::cfg
