#include "callctrl/config/adapter_address.h"

#include <gtest/gtest.h>

#include "tests/support/loopback_adapter.h"

namespace vtx::callctrl {
namespace {

TEST(AdapterAddress, IndexAfterTheColonChoosesTheAddress) {
  std::vector<os::Adapter> adapters = {{"lo", {"127.0.0.1"}},
                                       {"eth0", {"0.0.0.0", "10.1.2.3", "10.1.2.4"}}};
  char out[32];
  EXPECT_EQ(0, SelectAdapterAddress(adapters, "eth0: 1", out, sizeof out));
  EXPECT_STREQ("10.1.2.3", out);
  EXPECT_EQ(0, SelectAdapterAddress(adapters, "eth0", out, sizeof out));
  EXPECT_STREQ("0.0.0.0", out);
  EXPECT_EQ(1, SelectAdapterAddress(adapters, "eth0: 3", out, sizeof out));
  EXPECT_EQ(1, SelectAdapterAddress(adapters, "wlan0", out, sizeof out));
  // An empty name takes the first valid address of any adapter.
  EXPECT_EQ(0, SelectAdapterAddress(adapters, "", out, sizeof out));
  EXPECT_STREQ("10.1.2.3", out);
  char small[5];
  EXPECT_EQ(0, SelectAdapterAddress(adapters, "eth0:2", small, sizeof small));
  EXPECT_STREQ("10.1", small);
}

TEST(AdapterAddress, ValidAddresses) {
  EXPECT_TRUE(IsValidIpAddress("192.168.1.1"));
  EXPECT_FALSE(IsValidIpAddress("0.0.0.0"));
  EXPECT_FALSE(IsValidIpAddress("127.0.0.1"));
  EXPECT_FALSE(IsValidIpAddress("1.2.3"));
}

TEST(AdapterAddress, RealLoopbackAdapter) {
  char out[32] = "";
  const std::string loopback = vtx::testing::LoopbackAdapterName();
  ASSERT_FALSE(loopback.empty());
  ASSERT_EQ(0, ConvertAdapterNameToIpAddress(loopback.c_str(), out, sizeof out));
  EXPECT_STREQ("127.0.0.1", out);
}

}  // namespace
}  // namespace vtx::callctrl
