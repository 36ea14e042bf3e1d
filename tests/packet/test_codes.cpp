#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "packet/codes.h"

namespace codes = vtx::codes;

namespace {

using Entry = std::tuple<int, uint32_t, std::string>;  // kind, code, name without prefix

struct HeaderNames {
  std::string facility;
  long number = -1;
  std::set<Entry> entries;
};

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// Reads a definition header the way the trace name loader does: block comments skip whole
// lines, "//" ends a line, and only "#define NAME number" lines count.
HeaderNames ReadHeader(const std::string& file, bool common) {
  static const std::pair<const char*, codes::Kind> kEndings[] = {
      {"_EVENT", codes::Kind::kEvent},
      {"_REQUEST", codes::Kind::kRequest},
      {"_MODE", codes::Kind::kMode},
      {"_VAR", codes::Kind::kTag},
      {"_PAR", codes::Kind::kTag}};
  HeaderNames out;
  std::ifstream in(std::string(TARROW_SOURCE_DIR) + "/inc/" + file);
  EXPECT_TRUE(in) << file;
  std::string line;
  bool in_comment = false;
  std::vector<std::pair<std::string, uint32_t>> named;
  while (std::getline(in, line)) {
    if (in_comment || line.find("/*") != std::string::npos) {
      in_comment = line.find("*/") == std::string::npos;
      continue;
    }
    line = line.substr(0, line.find("//"));
    std::istringstream words(line);
    std::string define, name, value;
    if (!(words >> define >> name >> value) || define != "#define" || !isdigit(value[0])) continue;
    const unsigned long number = strtoul(value.c_str(), nullptr, 0);
    if (name.rfind("MILL_FACILITY_", 0) == 0) {
      out.facility = name.substr(14);
      out.number = static_cast<long>(number);
    } else if ((!common || name.rfind("COMMON_", 0) == 0) && number < 4096) {
      named.emplace_back(name, static_cast<uint32_t>(number));
    }
  }
  for (const auto& [name, number] : named) {
    for (const auto& [ending, kind] : kEndings) {
      if (!EndsWith(name, ending)) continue;
      const std::string prefix = out.facility + "_";
      std::string bare = name.substr(0, name.size() - strlen(ending));
      EXPECT_EQ(bare.rfind(prefix, 0), 0u) << file << ": " << name;
      out.entries.emplace(static_cast<int>(kind), number, bare.substr(prefix.size()));
      break;
    }
  }
  return out;
}

std::set<Entry> TableEntries(const codes::FacilityCodes& facility) {
  std::set<Entry> out;
  for (int kind = 0; kind < 4; ++kind) {
    for (const codes::CodeName& entry : facility.Table(static_cast<codes::Kind>(kind))) {
      out.emplace(kind, entry.code, entry.name);
    }
  }
  return out;
}

TEST(PacketCodes, DefinitionHeadersAgreeWithTheTables) {
  size_t headers = 0;
  for (const codes::FacilityCodes& facility : codes::Facilities()) {
    if (facility.header == nullptr) continue;
    ++headers;
    const HeaderNames names = ReadHeader(facility.header, false);
    EXPECT_EQ(names.facility, facility.name) << facility.header;
    EXPECT_EQ(names.number, static_cast<long>(facility.number)) << facility.header;
    EXPECT_EQ(names.entries, TableEntries(facility)) << facility.header;
  }
  EXPECT_GE(headers, 15u);
  const HeaderNames common = ReadHeader("common.h", true);
  EXPECT_EQ(common.facility, codes::Generic().name);
  EXPECT_EQ(common.entries, TableEntries(codes::Generic()));
}

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
