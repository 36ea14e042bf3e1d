#include <gtest/gtest.h>

#include <cstring>

#include "admin.h"
#include "api/reset_status.h"
#include "common.h"
#include "sim/list_tag.h"
#include "sim/reset_firmware.h"
#include "tests/support/attached_line.h"
#include "tests/support/capture.h"

namespace vtx::testing {
namespace {

class LineResetTest : public AttachedLineTest {
 protected:
  int Reset(uint32_t no_init = 0, uint32_t async_lp = 0) {
    args_ = VtxLineArgs{};
    args_.no_init = no_init;
    args_.async_lp = async_lp;
    args_.skip_teleph = 1;  // call control has its own tests
    return VtxLineReset(line_, &args_);
  }
  size_t Count(uint32_t code) {
    return Received(board(), MILL_FACILITY_ADMIN, MILL_VERB_REQUEST, code).size();
  }
  // CHANNEL_RESET answered by one CHANNEL_RESET_DONE with these tags.
  void AnswerReset(std::vector<sim::FwTag> tags) {
    AnswerRequest(MILL_FACILITY_ADMIN, ADMIN_CHANNEL_RESET_REQUEST, ADMIN_CHANNEL_RESET_DONE_EVENT,
                  std::move(tags));
  }
  static sim::FwTag Dsp(uint8_t major, std::vector<uint8_t> mask) {
    sim::FwVersion v;
    v.major = major;
    auto members = sim::VersionMembers(v);
    if (!mask.empty()) members.push_back(sim::FwTag::Bytes(ADMIN_DSP_LOAD_MASK_VAR, 0, mask));
    return sim::ListTag(ADMIN_DSP_VER_VAR, members);
  }
  VtxLineArgs args_{};
};

TEST_F(LineResetTest, ChannelResetCollectsVersionsOverContinuedEventsAndConfiguresOnce) {
  ASSERT_EQ(Reset(), 0) << args_.status << "/" << args_.line_status;
  EXPECT_EQ(Count(ADMIN_CHANNEL_RESET_REQUEST), 1u);
  // The default GANTRY reports its two DSP lists in two events; the configuration asks for the
  // ADMIN capabilities once, after the last.
  EXPECT_EQ(Count(COMMON_GET_CAPABILITIES_REQUEST), 1u);
  EXPECT_EQ(line_->firmware.boot_rom_ver.major, 5);
  EXPECT_EQ(line_->firmware.boot_rom_ver.build, 17);
  EXPECT_STREQ(line_->firmware.boot_rom_ver.date, "2026-03-14");
  EXPECT_EQ(line_->firmware.control_proc_ver.minor, 4);
  EXPECT_EQ(line_->firmware.control_proc_ver.auto_num, 2210);
  EXPECT_STREQ(line_->firmware.control_proc_ver.comment, "control processor");
  EXPECT_EQ(line_->firmware.dsp_count, 5);
  EXPECT_STREQ(line_->firmware.dsp_ver[3].comment, "fax/modem DSP");
  EXPECT_STREQ(line_->firmware.dsp_ver[4].comment, "echo canceller DSP");
  EXPECT_EQ(line_->line_state, 0u);
  EXPECT_TRUE(HasCapability(line_, kCapFeatureQuery));
}

TEST_F(LineResetTest, ModuleLineAndNoInitTakeTheBootVersionFromTheModule) {
  VtxLine* module_line = AttachSession(1, 2);
  ASSERT_NE(module_line, nullptr);
  VtxLineArgs args{};
  args.skip_teleph = 1;
  EXPECT_EQ(VtxLineReset(module_line, &args), 0);
  EXPECT_EQ(module_line->firmware.boot_rom_ver.auto_num, 1204);
  EXPECT_STREQ(module_line->firmware.boot_rom_ver.comment, "boot ROM");
  EXPECT_EQ(module_line->firmware.dsp_count, 0);
  Detach(module_line);

  EXPECT_EQ(Reset(1), 0);
  EXPECT_EQ(line_->firmware.boot_rom_ver.auto_num, 1204);
  EXPECT_EQ(Count(ADMIN_CHANNEL_RESET_REQUEST), 0u);
  EXPECT_EQ(Count(COMMON_GET_CAPABILITIES_REQUEST), 2u);  // the configuration still ran
}

TEST_F(LineResetTest, DspLoadMasksFillTheirSlotsBelowForty) {
  std::vector<uint8_t> high(6, 0);
  high[4] = 0x80;  // slot 39
  high[5] = 0x20;  // slot 45
  AnswerReset({Dsp(3, {0x05, 0x80}), Dsp(7, high)});
  ASSERT_EQ(Reset(), 0);
  EXPECT_EQ(line_->firmware.dsp_ver[0].major, 3);
  EXPECT_EQ(line_->firmware.dsp_ver[1].major, 0);
  EXPECT_EQ(line_->firmware.dsp_ver[2].major, 3);
  EXPECT_EQ(line_->firmware.dsp_ver[15].major, 3);
  EXPECT_EQ(line_->firmware.dsp_ver[39].major, 7);
  EXPECT_EQ(line_->firmware.dsp_count, 40);

  AnswerReset({Dsp(3, {0x05, 0x80})});
  ASSERT_EQ(Reset(), 0);
  EXPECT_EQ(line_->firmware.dsp_count, 16);

  AnswerReset({Dsp(9, {})});
  ASSERT_EQ(Reset(), 0);
  EXPECT_EQ(line_->firmware.dsp_count, 1);
  EXPECT_EQ(line_->firmware.dsp_ver[0].major, 9);
}

TEST_F(LineResetTest, WronglyTypedMembersAreSkippedWithTheirWarnings) {
  AnswerReset({sim::ListTag(ADMIN_CONTROL_PROC_VER_VAR,
                            {sim::FwTag::Int(ADMIN_VER_MAJOR_VAR, MILL_TYPE_SHORT, 4),
                             sim::FwTag::Int(ADMIN_VER_MINOR_VAR, MILL_TYPE_BYTE, 6),
                             sim::FwTag::Int(ADMIN_VER_AUTO_NUM_VAR, MILL_TYPE_BYTE, 9),
                             sim::FwTag::Bytes(ADMIN_VER_DATE_VAR, MILL_TYPE_BYTE, {'x', 0})}),
               sim::FwTag::Int(ADMIN_BOOT_ROM_VER_VAR, MILL_TYPE_BYTE, 1)});
  TraceCapture trace;
  ASSERT_EQ(Reset(), 0);
  EXPECT_EQ(line_->firmware.control_proc_ver.major, 0);
  EXPECT_EQ(line_->firmware.control_proc_ver.minor, 6);
  EXPECT_EQ(line_->firmware.control_proc_ver.auto_num, 0);
  EXPECT_STREQ(line_->firmware.control_proc_ver.date, "");
  EXPECT_TRUE(trace.Contains("Warning - MAJOR parameter size should be BYTE."));
  EXPECT_TRUE(trace.Contains("Warning - AUTO_NUM parameter size should be SHORT."));
  EXPECT_TRUE(trace.Contains("Warning - DATE parameter should be CHARACTER."));
  EXPECT_TRUE(trace.Contains("Warning - version parameter size should be LIST."));
  EXPECT_TRUE(trace.Contains("Reset channel"));
}

TEST_F(LineResetTest, FirmwareFailureIsReportedWithItsFlag) {
  AnswerReset({sim::FwTag::Int(COMMON_RESULT_CODE_VAR, MILL_TYPE_BYTE, 3)});
  EXPECT_EQ(Reset(), -1);
  EXPECT_EQ(args_.status, static_cast<uint32_t>(CV_STATUS_ERROR));
  EXPECT_EQ(args_.reset_status & vtx::kResetFailure, vtx::kResetFailure);
  EXPECT_EQ(Count(COMMON_GET_CAPABILITIES_REQUEST), 0u);
}

TEST_F(LineResetTest, AsynchronousContextIsRefusedAndOnlyTheMarkerKeepsTheLine) {
  line_->reset_status = 0x1234;
  line_->firmware.op_in_progress = kOpFeatureList;
  EXPECT_EQ(Reset(0, 0xFFFFFFFF), -1);
  EXPECT_EQ(args_.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR));
  EXPECT_EQ(line_->reset_status, 0x1234u);
  EXPECT_EQ(line_->firmware.op_in_progress, kOpFeatureList);

  EXPECT_EQ(Reset(0, 1), -1);
  EXPECT_EQ(args_.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR));
  EXPECT_EQ(line_->reset_status, 0u);
  EXPECT_EQ(line_->firmware.op_in_progress, 0u);
  EXPECT_EQ(Count(ADMIN_CHANNEL_RESET_REQUEST), 0u);
}

}  // namespace
}  // namespace vtx::testing
