// The definition headers in inc/ are compared with these tables through the trace name loader
// (tests/trace/header_names_test.cpp).
#include "packet/codes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace codes = vtx::codes;

namespace {

TEST(PacketCodes, TablesAreOrderedAndUnique) {
  std::set<uint32_t> numbers;
  auto check = [](const codes::FacilityCodes& facility) {
    for (int kind = 0; kind < 4; ++kind) {
      const codes::NameTable& table = facility.Table(static_cast<codes::Kind>(kind));
      std::set<std::string> names;
      for (size_t i = 0; i < table.count; ++i) {
        if (i > 0) {
          EXPECT_LT(table.entries[i - 1].code, table.entries[i].code) << facility.name;
        }
        EXPECT_TRUE(names.insert(table.entries[i].name).second) << table.entries[i].name;
        EXPECT_LT(table.entries[i].code, 4096u);
      }
    }
  };
  for (const codes::FacilityCodes& facility : codes::Facilities()) {
    EXPECT_TRUE(numbers.insert(facility.number).second);
    check(facility);
  }
  check(codes::Generic());
  EXPECT_EQ(numbers.size(), 16u);  // NULL and 15 assigned facilities
}

}  // namespace
