// Record conversion between layouts: the field walk, the layout tables, pointer fields and the
// records handed to application callbacks.
#include "api/convert.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "api/memory.h"
#include "tests/support/app_version.h"

namespace vtx::api {
namespace {

using vtx::testing::AppVersion;

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
  return std::vector<uint8_t>(values.begin(), values.end());
}

// Old: 2 header bytes, 2 elements of 2 bytes, a 3-character text, 1 tail byte (10 bytes).
// New: 2 header bytes, 3 elements of 4 bytes, a 5-character text, 1 tail byte (20 bytes).
constexpr FieldDesc kOld[] = {{2, 2, 2, false, nullptr}, {6, 1, 3, true, nullptr}, {}};
constexpr FieldDesc kNew[] = {{2, 4, 3, false, nullptr}, {14, 1, 5, true, nullptr}, {}};

TEST(CopyLayout, WidensFieldsElementByElementAndCutsTextsBackTerminated) {
  std::vector<uint8_t> old_record = Bytes({1, 2, 10, 11, 20, 21, 'a', 'b', 'c', 9});
  std::vector<uint8_t> wide(20, 0xEE);
  CopyLayout(old_record.data(), old_record.size(), kOld, wide.data(), wide.size(), kNew, kWayIn);
  EXPECT_EQ(wide, Bytes({1, 2, 10, 11, 0, 0, 20, 21, 0, 0, 0, 0, 0, 0, 'a', 'b', 'c', 0, 0, 9}));

  memcpy(wide.data() + 14, "vwxyz", 5);
  std::vector<uint8_t> back(10, 0xEE);
  CopyLayout(wide.data(), wide.size(), kNew, back.data(), back.size(), kOld, kWayBack);
  EXPECT_EQ(back, Bytes({1, 2, 10, 11, 20, 21, 'v', 'w', 0, 9}));
}

TEST(CopyLayout, NestedElementsConvertThroughTheirOwnLists) {
  // Two elements; each grows a 1-byte field into 2 bytes in front of a 1-byte tail.
  static constexpr FieldDesc kOldElem[] = {{0, 1, 1, false, nullptr}, {}};
  static constexpr FieldDesc kNewElem[] = {{0, 2, 1, false, nullptr}, {}};
  static constexpr FieldDesc kOldRec[] = {{1, 2, 2, false, kOldElem}, {}};
  static constexpr FieldDesc kNewRec[] = {{1, 3, 2, false, kNewElem}, {}};
  std::vector<uint8_t> old_record = Bytes({7, 1, 2, 3, 4});
  std::vector<uint8_t> wide(7, 0xEE);
  CopyLayout(old_record.data(), old_record.size(), kOldRec, wide.data(), wide.size(), kNewRec,
             kWayIn);
  EXPECT_EQ(wide, Bytes({7, 1, 0, 2, 3, 0, 4}));
}

TEST(CopyLayout, AFieldOutsideItsRecordIsTreatedAsTail) {
  constexpr FieldDesc kBroken[] = {{8, 4, 4, false, nullptr}, {}};
  std::vector<uint8_t> src = Bytes({1, 2, 3, 4});
  std::vector<uint8_t> dst(6, 0xEE);
  CopyLayout(src.data(), src.size(), kBroken, dst.data(), dst.size(), kBroken, kWayIn);
  EXPECT_EQ(dst, Bytes({1, 2, 3, 4, 0, 0}));
}

TEST(LayoutTables, OnlyThreeFamiliesHaveEntriesAndAnApplicationGetsTheNewestNotAfterIt) {
  for (int f = 0; f <= static_cast<int>(Family::kTrace); ++f) {
    auto family = static_cast<Family>(f);
    const LayoutEntry* table = LayoutTable(family);
    ASSERT_NE(table, nullptr);
    bool converted =
        family == Family::kLine || family == Family::kTelephSwitch || family == Family::kDialDb;
    EXPECT_EQ(table->version != 0, converted) << f;
  }
  EXPECT_EQ(CurrentLayout(LayoutTable(Family::kLine))->size, sizeof(VtxLineArgs));
  EXPECT_EQ(CurrentLayout(LayoutTable(Family::kTelephSwitch))->size, sizeof(VtxTelephArgs));
  EXPECT_EQ(CurrentLayout(LayoutTable(Family::kDialDb))->size, sizeof(VtxDialArgs));

  // An application gets the newest layout not after its version.
  const LayoutEntry* line = LayoutTable(Family::kLine);
  const LayoutEntry* teleph = LayoutTable(Family::kTelephSwitch);
  const LayoutEntry* dial = LayoutTable(Family::kDialDb);
  EXPECT_EQ(MatchOlderLayout(line, 104800), &line[0]);
  EXPECT_EQ(MatchOlderLayout(line, 104900), &line[0]);
  EXPECT_EQ(MatchOlderLayout(line, 105000), nullptr);
  EXPECT_EQ(MatchOlderLayout(line, 104700), nullptr);  // older than the table knows
  EXPECT_EQ(MatchOlderLayout(teleph, 104900), &teleph[1]);
  EXPECT_EQ(MatchOlderLayout(teleph, 204800), &teleph[0]);
  EXPECT_EQ(MatchOlderLayout(dial, 104900), nullptr);  // the dialling record is 4.9's
  EXPECT_EQ(MatchOlderLayout(dial, 2004800), &dial[0]);
}

// A record with an array behind a pointer; the array's elements grow from 2 to 4 bytes.
struct OldRec {
  uint32_t status, line_status;
  uint32_t count;
  uint16_t* items;
};
struct NewRec {
  uint32_t status, line_status;
  uint32_t count;
  uint32_t* items;
};
size_t CountOf(const void* record) {
  return static_cast<const NewRec*>(record)->count;
}
size_t CountNone(const void*) {
  return 0;
}

struct Counters {
  int allocs = 0, frees = 0;
} g_counters;
void* CountingAlloc(size_t size, int32_t, uint32_t) {
  ++g_counters.allocs;
  return malloc(size);
}
void CountingFree(void* pointer, int32_t, uint32_t) {
  ++g_counters.frees;
  free(pointer);
}

class PointerFields : public ::testing::Test {
 protected:
  void SetUp() override {
    g_counters = {};
    VtxMemAllocFuncsSet(&CountingAlloc, &CountingFree);
  }
  void TearDown() override { VtxMemAllocFuncsSet(nullptr, nullptr); }

  // Layout table of a family whose 4.8 records hold the narrow array.
  void Describe(uint32_t flags, ElementCount count) {
    old_pointers_[0] = {offsetof(OldRec, items), sizeof(uint16_t), flags, count, nullptr};
    new_pointers_[0] = {offsetof(NewRec, items), sizeof(uint32_t), flags, count, nullptr};
    table_[0] = {104800, sizeof(OldRec), nullptr, old_pointers_};
    table_[1] = {5000, sizeof(NewRec), nullptr, new_pointers_};
  }

  AppVersion version_{104800};
  PointerDesc old_pointers_[2] = {};
  PointerDesc new_pointers_[2] = {};
  LayoutEntry table_[3] = {};
};

TEST_F(PointerFields, ArraysAreConvertedInAndBackIntoTheCallersOwnArray) {
  Describe(kPointerIn | kPointerOut, &CountOf);
  uint16_t items[2] = {0x1111, 0x2222};
  OldRec caller{0, 0, 2, items};
  NewRec converted;
  {
    Conversion conversion;
    ASSERT_TRUE(conversion.Prepare(table_, nullptr, &caller, &converted, sizeof converted));
    ASSERT_TRUE(conversion.matched());
    ASSERT_NE(static_cast<void*>(converted.items), static_cast<void*>(items));
    EXPECT_EQ(converted.items[0], 0x1111u);
    EXPECT_EQ(converted.items[1], 0x2222u);
    converted.items[1] = 0x3333;
    conversion.ConvertBack();
  }
  EXPECT_EQ(caller.items, items);
  EXPECT_EQ(items[1], 0x3333);
  EXPECT_EQ(g_counters.allocs, 1);
  EXPECT_EQ(g_counters.frees, 1);
}

TEST_F(PointerFields, AnArrayTheWorkerAllocatesComesBackInTheCallersLayout) {
  Describe(kPointerOut, &CountOf);
  OldRec caller{0, 0, 0, nullptr};
  NewRec converted;
  Conversion conversion;
  ASSERT_TRUE(conversion.Prepare(table_, nullptr, &caller, &converted, sizeof converted));
  converted.count = 1;
  converted.items = static_cast<uint32_t*>(MemAlloc(sizeof(uint32_t), -1, kMemTagConversion));
  converted.items[0] = 0x4444;
  conversion.ConvertBack();
  ASSERT_NE(caller.items, nullptr);
  EXPECT_EQ(caller.count, 1u);
  EXPECT_EQ(caller.items[0], 0x4444);
  EXPECT_EQ(g_counters.frees, 1);  // the worker's array; the caller's copy is the caller's
  CountingFree(caller.items, -1, 0);
}

TEST_F(PointerFields, AnInputOnlyConversionReleasesItsArrays) {
  Describe(kPointerIn | kPointerOut, &CountOf);
  uint16_t items[1] = {5};
  OldRec caller{0, 0, 1, items};
  NewRec converted;
  Conversion conversion;
  ASSERT_TRUE(conversion.Prepare(table_, nullptr, &caller, &converted, sizeof converted));
  converted.status = 2;
  converted.line_status = 7;
  converted.items[0] = 6;
  conversion.ReturnResult();
  EXPECT_EQ(caller.status, CV_STATUS_ERROR);
  EXPECT_EQ(caller.line_status, APIERR_BADSTATE);
  EXPECT_EQ(items[0], 5);
  EXPECT_EQ(g_counters.allocs, g_counters.frees);
}

TEST_F(PointerFields, AMissingOrZeroCountOrNoMemoryFailsTheConversion) {
  uint16_t items[1] = {5};
  OldRec caller{0, 0, 1, items};
  NewRec converted;
  Describe(kPointerIn, nullptr);
  EXPECT_FALSE(Conversion().Prepare(table_, nullptr, &caller, &converted, sizeof converted));
  Describe(kPointerIn, &CountNone);
  EXPECT_FALSE(Conversion().Prepare(table_, nullptr, &caller, &converted, sizeof converted));
  Describe(kPointerIn, &CountOf);
  VtxMemAllocFuncsSet([](size_t, int32_t, uint32_t) -> void* { return nullptr; }, nullptr);
  EXPECT_FALSE(Conversion().Prepare(table_, nullptr, &caller, &converted, sizeof converted));
  // A null pointer needs no count and no memory.
  caller.items = nullptr;
  EXPECT_TRUE(Conversion().Prepare(table_, nullptr, &caller, &converted, sizeof converted));
}

TEST(CallbackRecord, HandsAnOldApplicationItsLayoutAndTakesBackItsChanges) {
  AppVersion version(104800);
  VtxDialArgs library{};
  memset(library.texts.raw_number, '5', 200);
  library.texts.cp_text1[200] = 'k';  // beyond what 4.8 can see
  CallbackRecord callback(Family::kDialDb, &library);
  auto* app = static_cast<VtxDialArgs48*>(callback.get());
  ASSERT_NE(app, nullptr);
  ASSERT_NE(static_cast<void*>(app), static_cast<void*>(&library));
  EXPECT_EQ(strlen(app->texts.raw_number), 127u);
  strcpy(app->texts.db_file, "x");
  app->reason = 4;
  callback.Finish();
  EXPECT_STREQ(library.texts.db_file, "x");
  EXPECT_EQ(library.reason, 4);
  EXPECT_EQ(library.texts.cp_text1[200], 'k');

  AppVersion own(CV_API_VERSION);
  CallbackRecord same(Family::kDialDb, &library);
  EXPECT_EQ(same.get(), &library) << "the library's own version sees the library's record";
  same.Finish();
}

}  // namespace
}  // namespace vtx::api
