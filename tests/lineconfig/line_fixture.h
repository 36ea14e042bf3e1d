// A line record of channel ordinal 3 to configure, without a driver behind it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "api/font_table.h"
#include "api/line.h"
#include "tests/support/temp_dir.h"
#include "vtx.h"

namespace vtx::testing {

class LineConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CV_API_SET_VER();
    line_.ordinal = 3;
  }
  void TearDown() override { ReleaseFontTable(&line_); }

  // Hands one line (null: the closing call) to VtxLineConfig.
  int Feed(const char* text, uint32_t no_fonts = 0) {
    VtxLineArgs args{};
    args.config_file_line = text;
    args.no_fonts = no_fonts;
    args.skip_teleph = 1;  // the line configures without starting call control
    last_ = args;
    int ret = VtxLineConfig(&line_, &args);
    last_ = args;
    return ret;
  }
  // Closes the sequence with the country parameters taken from `country_file`.
  int Close(const std::string& country_file) {
    std::string line = "cv_cparm \"" + country_file + "\"";
    Feed(line.c_str());
    return Feed(nullptr);
  }

  const LineSettings& settings() const { return line_.config.settings; }
  const uint8_t* country() const { return line_.config.country; }
  std::string Font(size_t slot) const {
    const char* name = line_.config.fonts.names[slot];
    return name != nullptr ? name : "(empty)";
  }

  VtxLine line_;
  VtxLineArgs last_{};
  TempDir dir_{"lineconfig"};
};

}  // namespace vtx::testing
