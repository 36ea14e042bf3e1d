// A line record with the built-in USA country parameters, a database file of the test's own and a
// clock the test moves on.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "api/line.h"
#include "lineconfig/country_params.h"
#include "os/clock.h"
#include "tests/support/temp_dir.h"
#include "vtx.h"

namespace vtx::testing {

class DialDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CV_API_SET_VER();
    line_.config.settings = kDefaultLineSettings;
    SetDefaultCountryParams(&line_);
    line_.ordinal = 1;
    now_ = 1700000000;
    os::SetWallClock([] { return now_; });
  }
  void TearDown() override { os::SetWallClock(nullptr); }

  VtxDialArgs Args(const char* number) const {
    VtxDialArgs args{};
    snprintf(args.texts.db_file, sizeof args.texts.db_file, "%s", db_.c_str());
    snprintf(args.texts.raw_number, sizeof args.texts.raw_number, "%s", number);
    return args;
  }
  // Reports a call to `number` with the result words `result` (null: no result).
  int Update(const char* number, const VtxResult* result) {
    last_ = Args(number);
    last_.db_res = result;
    return VtxDialDBUpdate(&line_, &last_);
  }
  int Update(const char* number, uint32_t status, uint32_t line_status) {
    const VtxResult result{status, line_status};
    return Update(number, &result);
  }
  // Checks `number`; the whole record stays in last_.
  int Check(const char* number) {
    last_ = Args(number);
    return VtxDialDBCheck(&line_, &last_);
  }
  // Every record of the file through VtxDialDBList, and its return in `ret`.
  std::vector<VtxDialDBRecord> Records(int* ret = nullptr) {
    std::vector<VtxDialDBRecord> records;
    last_ = Args("");
    last_.db_func = [](const uint8_t* bytes, void* arg) {
      auto* out = static_cast<std::vector<VtxDialDBRecord>*>(arg);
      out->push_back(*reinterpret_cast<const VtxDialDBRecord*>(bytes));
      return 0;
    };
    last_.arg = &records;
    int listed = VtxDialDBList(&last_);
    if (ret != nullptr) *ret = listed;
    return records;
  }

  static constexpr uint32_t kBusy = 301;        // counts as kind 1
  static constexpr uint32_t kAnswer = 317;      // counts as kind 2
  static constexpr uint32_t kAnswerTone = 339;  // clears the record

  static inline int64_t now_ = 0;
  VtxLine line_;
  VtxDialArgs last_{};
  TempDir dir_{"dialdb"};
  std::string db_ = dir_.Path("dial.db");
};

}  // namespace vtx::testing
