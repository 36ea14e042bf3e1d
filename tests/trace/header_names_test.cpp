#include "trace/header_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/temp_dir.h"
#include "vtx.h"

namespace vtx::testing {
namespace {

using codes::Kind;

class HeaderNames : public ::testing::Test {
 protected:
  void TearDown() override { trace::InstallNames(trace::BuiltInNames()); }

  static bool Parse(const std::string& path, const std::string& text, trace::NameTables& names) {
    return trace::ParseHeaderText(path, text.data(), text.size(), names);
  }

  TempDir dir_{"names"};
};

TEST_F(HeaderNames, DefinesAreTakenByTheirEndingsOutsideComments) {
  trace::NameTables names;
  EXPECT_TRUE(Parse("x/alpha.h",
                    "#define MILL_FACILITY_ALPHA 0x30\n"
                    "#define ALPHA_ONE_EVENT 0x05 /* a block comment on the line */\n"
                    "#define ALPHA_TWO_EVENT 6\n"
                    "/* a comment over\n"
                    "#define ALPHA_HIDDEN_MODE 1\n"
                    "   three lines */ #define ALPHA_AFTER_MODE 2\n"
                    "#define ALPHA_PLAIN_MODE 010 // octal, and a trailing comment\n"
                    "  #define   ALPHA_GAIN_PAR\t0x2A\n"
                    "#define ALPHA_LEVEL_VAR 0x1000\n"
                    "#define ALPHA_START_REQUEST (3)\n"
                    "#define ALPHA_STOP_REQUEST 4\n"
                    "#define ALPHA_OTHER 5\n"
                    "#define BETA_FOREIGN_EVENT 7\n"
                    "// #define ALPHA_COMMENTED_EVENT 8\n"
                    "#define ALPHA_REDEFINED_EVENT 9 // later lines win\n",
                    names));
  EXPECT_STREQ(names.Facility(0x30), "ALPHA");
  EXPECT_EQ(names.facility_count, 0x31u);
  EXPECT_EQ(names.Name(0x30, Kind::kEvent, 5), nullptr) << "its line carried a block comment";
  EXPECT_STREQ(names.Name(0x30, Kind::kEvent, 6), "TWO");
  EXPECT_STREQ(names.Name(0x30, Kind::kEvent, 7), "BETA_FOREIGN");
  EXPECT_STREQ(names.Name(0x30, Kind::kEvent, 9), "REDEFINED");
  EXPECT_EQ(names.Name(0x30, Kind::kEvent, 8), nullptr);
  EXPECT_EQ(names.Name(0x30, Kind::kMode, 1), nullptr);
  EXPECT_EQ(names.Name(0x30, Kind::kMode, 2), nullptr);
  EXPECT_STREQ(names.Name(0x30, Kind::kMode, 8), "PLAIN");
  EXPECT_STREQ(names.Name(0x30, Kind::kTag, 0x2A), "GAIN");
  EXPECT_EQ(names.facilities[0x30].tables[static_cast<int>(Kind::kTag)].size(), 0x2Bu);
  EXPECT_EQ(names.Name(0x30, Kind::kRequest, 3), nullptr);
  EXPECT_STREQ(names.Name(0x30, Kind::kRequest, 4), "STOP");

  // The common header fills the generic tables from its COMMON_ names alone.
  EXPECT_TRUE(Parse("x/COMMON.H",
                    "#define MILL_FACILITY_COMMON 0x7F\n"
                    "#define COMMON_PING_EVENT 0x70\n"
                    "#define ALPHA_NOT_COMMON_EVENT 0x71\n",
                    names));
  EXPECT_STREQ(names.Name(0x30, Kind::kEvent, 0x70), "PING");
  EXPECT_EQ(names.Name(0x30, Kind::kEvent, 0x71), nullptr);
  EXPECT_EQ(names.facility_count, 0x31u);
}

TEST_F(HeaderNames, HeadersWithoutAFacilityOrBeyondTheTableChangeNothing) {
  trace::NameTables names;
  EXPECT_FALSE(Parse("x/none.h", "#define NONE_ONE_EVENT 1\n", names));
  EXPECT_FALSE(Parse("x/big.h", "#define MILL_FACILITY_BIG 127\n#define BIG_ONE_EVENT 1\n", names));
  EXPECT_EQ(names.facility_count, 0u);
  for (uint32_t facility = 0; facility < trace::kFacilitySlots; ++facility) {
    EXPECT_EQ(names.Facility(facility), nullptr);
  }
  EXPECT_EQ(names.Name(127, Kind::kEvent, 1), nullptr);
}

TEST_F(HeaderNames, LoadingTheDefinitionHeadersGivesTheBuiltInNames) {
  ASSERT_GE(VtxTraceNamesLoad(TARROW_SOURCE_DIR "/inc"), 16);
  const auto loaded = trace::CurrentNames();
  const auto built_in = trace::BuiltInNames();
  ASSERT_NE(loaded, built_in);
  EXPECT_EQ(loaded->facility_count, built_in->facility_count);
  auto same = [](const char* a, const char* b) {
    return (a == nullptr && b == nullptr) || (a != nullptr && b != nullptr && strcmp(a, b) == 0);
  };
  for (uint32_t facility = 0; facility < trace::kFacilitySlots; ++facility) {
    EXPECT_TRUE(same(loaded->Facility(facility), built_in->Facility(facility))) << facility;
    for (int kind = 0; kind < 4; ++kind) {
      for (uint32_t code = 0; code < trace::kMaxCode; ++code) {
        const char* a = loaded->Name(facility, static_cast<Kind>(kind), code);
        const char* b = built_in->Name(facility, static_cast<Kind>(kind), code);
        ASSERT_TRUE(same(a, b)) << facility << " " << kind << " " << code << " " << (a ? a : "-")
                                << " " << (b ? b : "-");
      }
    }
  }
}

TEST_F(HeaderNames, EveryLoadParsesTheHeadersOfEarlierDirectoriesAgain) {
  TempDir second("names2");
  dir_.Write("alpha.h", "#define MILL_FACILITY_ALPHA 0x30\n#define ALPHA_ONE_EVENT 1\n");
  dir_.Write("notes.txt", "#define MILL_FACILITY_NOTES 0x32\n");
  EXPECT_EQ(trace::LoadNames(dir_.path().c_str()), 1);
  EXPECT_STREQ(trace::CurrentNames()->Facility(0x30), "ALPHA");
  EXPECT_EQ(trace::CurrentNames()->Facility(0x32), nullptr);
  EXPECT_STREQ(trace::CurrentNames()->Facility(0), "NULL");
  EXPECT_EQ(trace::CurrentNames()->Facility(1), nullptr) << "reset empties the built-in names";
  EXPECT_STREQ(trace::CurrentNames()->Facility(0x0B), "HOST_CTRL") << "but HOST_CTRL's";

  // The first directory's header changed meanwhile: the second load reads it again.
  dir_.Write("alpha.h", "#define MILL_FACILITY_ALPHA 0x30\n#define ALPHA_UNO_EVENT 1\n");
  second.Write("beta.H", "#define MILL_FACILITY_BETA 0x31\n");
  EXPECT_EQ(trace::LoadNames(second.path().c_str()), 2);
  const auto names = trace::CurrentNames();
  EXPECT_STREQ(names->Name(0x30, Kind::kEvent, 1), "UNO");
  EXPECT_STREQ(names->Facility(0x31), "BETA");
  EXPECT_EQ(names->facility_count, 0x32u);

  EXPECT_EQ(trace::LoadNames(dir_.Path("missing").c_str()), -1);
  EXPECT_STREQ(trace::CurrentNames()->Facility(0x31), "BETA");
}

}  // namespace
}  // namespace vtx::testing
