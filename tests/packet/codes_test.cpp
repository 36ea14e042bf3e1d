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

TEST(PacketCodes, LookupFallsBackToTheGenericCodes) {
  EXPECT_STREQ(codes::Name(1, codes::Kind::kTag, 0x1C), "BOOT_ROM_VER");
  EXPECT_STREQ(codes::Name(1, codes::Kind::kTag, 0x78), "RESULT_CODE");
  EXPECT_STREQ(codes::Name(5, codes::Kind::kEvent, 0x0B), "ERROR_REPORT");
  EXPECT_STREQ(codes::Name(5, codes::Kind::kEvent, 0x7F), "ERROR_REPORT");
  EXPECT_STREQ(codes::Name(0x0C, codes::Kind::kRequest, 0x7F), "GET_CAPABILITIES");
  EXPECT_STREQ(codes::Name(0x12, codes::Kind::kMode, 1), "EVENT_MONITOR");
  EXPECT_EQ(codes::Name(1, codes::Kind::kMode, 4), nullptr);
  EXPECT_EQ(codes::FindFacility(0x0C), nullptr);
  EXPECT_STREQ(codes::FindFacility(0x0B)->name, "HOST_CTRL");
  EXPECT_STREQ(codes::VerbName(10), "REQUEST");
  EXPECT_EQ(codes::VerbName(11), nullptr);
  EXPECT_STREQ(codes::UnitName(7), "cBm");
}

}  // namespace
