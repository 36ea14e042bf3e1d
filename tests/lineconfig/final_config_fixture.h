// A channel line of the default simulated machine reset with a user preference file of the
// test's own, and what the module's firmware received from it.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "admin.h"
#include "lineconfig/facility_settings.h"
#include "sim/firmware.h"
#include "tests/support/attached_line.h"
#include "tests/support/temp_dir.h"

namespace vtx::testing {

// One tag as the firmware should receive it: id, type and value (negative values in the two's
// complement of the type's size).
struct SentTag {
  uint32_t id;
  uint32_t type;
  int32_t value;
};

class FinalConfigTest : public AttachedLineTest {
 protected:
  // Resets `line` (the fixture's channel line by default) with the preference lines `config`;
  // the country parameter file is absent, so the built-in USA parameters apply.
  int Reset(const std::string& config = "", uint32_t no_init = 0, VtxLine* line = nullptr) {
    const std::string path = dir_.Path("cvcall.cfg");
    std::ofstream(path) << "cv_cparm \"" << dir_.Path("none.cfg") << "\"\n" << config;
    args_ = VtxLineArgs{};
    args_.config_file_name = path.c_str();
    args_.no_init = no_init;
    args_.skip_teleph = skip_teleph_;
    args_.mill_load_fonts = load_fonts_;
    const int ret = VtxLineReset(line != nullptr ? line : line_, &args_);
    args_.config_file_name = nullptr;
    return ret;
  }

  // The commands of `verb` (SET by default) that the firmware received, of one facility or all.
  std::vector<sim::FwCommand> Received(uint32_t facility = sim::kAnyFacility,
                                       uint32_t verb = MILL_VERB_SET) {
    return testing::Received(board(), facility, verb);
  }

  // How often the module's clock was set.
  size_t TimeSets() {
    return testing::Received(board(), MILL_FACILITY_ADMIN, MILL_VERB_REQUEST,
                             ADMIN_TIME_SET_REQUEST)
        .size();
  }

  static void ExpectTags(const sim::FwCommand& command, const std::vector<SentTag>& expected) {
    ASSERT_EQ(command.tags.size(), expected.size()) << "facility " << command.facility;
    for (size_t i = 0; i < expected.size(); ++i) {
      const sim::FwTag& tag = command.tags[i];
      const SentTag& want = expected[i];
      const uint32_t base = want.type & MILL_TYPE_BASE_MASK;
      const uint32_t mask = base == MILL_TYPE_BYTE ? 0xFF : base == MILL_TYPE_SHORT ? 0xFFFF : ~0u;
      EXPECT_EQ(tag.id, want.id) << "tag " << i;
      EXPECT_EQ(tag.type, want.type) << "tag 0x" << std::hex << want.id;
      EXPECT_EQ(tag.Value(), static_cast<uint32_t>(want.value) & mask)
          << "tag 0x" << std::hex << want.id;
    }
  }

  sim::FacilityCapabilities& Capabilities(uint32_t facility) {
    return board().report.capabilities[facility];
  }

  uint32_t skip_teleph_ = 1;
  uint32_t load_fonts_ = 0;
  VtxLineArgs args_{};
  TempDir dir_{"finalcfg"};
};

}  // namespace vtx::testing
