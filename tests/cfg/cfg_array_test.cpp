#include "cfg/cfg_array.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cfg_fixture.h"

namespace vtx::cfg {
namespace {

TEST(CfgArray, CapacityGrowsByHalfBetweenSixteenAndFourThousandElements) {
  ArrayOfLongs array;
  std::vector<size_t> capacities;
  for (long i = 0; i < 20000; ++i) {
    array.append(i);
    if (capacities.empty() || capacities.back() != array.capacity()) {
      capacities.push_back(array.capacity());
    }
  }
  EXPECT_EQ(std::vector<size_t>(capacities.begin(), capacities.begin() + 5),
            (std::vector<size_t>{16, 32, 48, 72, 108}));
  for (size_t i = 1; i < capacities.size(); ++i) {
    size_t step = capacities[i] - capacities[i - 1];
    EXPECT_GE(step, 16u);
    EXPECT_LE(step, 4096u);
  }
  EXPECT_EQ(array.item(19999), 19999);

  ArrayOfLongs reserved;
  reserved.reserve(1000);
  EXPECT_EQ(reserved.capacity(), 1000u);
}

TEST(CfgArray, IndicesBeyondTheCountRaise) {
  ArrayOfLongs longs;
  ArrayOfVoidPointers pointers;
  longs.append(1);
  EXPECT_EQ(testing::Raised([&] { longs.item(1); }),
            "ArrayOfLongs.item(size_t idx)=> invalid index");
  EXPECT_EQ(testing::Raised([&] { pointers.item(0); }),
            "ArrayOfVoidPointers.item(size_t idx)=> invalid index");
  EXPECT_EQ(testing::Raised([&] { longs.removeAt(3); }),
            "ArrayOfLongs.item(size_t idx)=> invalid index");
}

TEST(CfgArray, LowerBoundFindsTheInsertionPlace) {
  ArrayOfLongs sorted;
  for (long v : {10, 20, 20, 30}) sorted.append(v);
  auto at = [&](long key) {
    return sorted.lowerBound([key](long element) { return element < key ? -1 : element > key; });
  };
  EXPECT_EQ(at(5), 0u);
  EXPECT_EQ(at(20), 1u);
  EXPECT_EQ(at(25), 3u);
  EXPECT_EQ(at(99), 4u);
}

}  // namespace
}  // namespace vtx::cfg
