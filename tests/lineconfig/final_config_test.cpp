// The final configuration read back from the simulated firmware: which commands each facility
// received, with their tags in order, and the capabilities and reset status the line ends with.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "admin.h"
#include "api/hangup_check.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "callctrl/callctrl_init.h"
#include "common.h"
#include "fax.h"
#include "hostctrl.h"
#include "sig_det.h"
#include "sig_gen.h"
#include "speech.h"
#include "tele_ctrl.h"
#include "tests/lineconfig/final_config_fixture.h"
#include "tests/support/capture.h"
#include "tests/support/scoped_env.h"
#include "trace/api_log.h"

namespace vtx::testing {
namespace {

// The settings of a default configuration with the built-in USA country parameters.
const std::vector<SentTag> kDefaultSpeech = {
    {0x0E, kTypeByte, 0}, {0x0D, kTypeByte, 1},     {0x0F, kTypeByte, 1},
    {0x37, kTypeByte, 1}, {0x41, kTypeLongMs, 500}, {0x42, kTypeShortHz, 500},
};
const std::vector<SentTag> kDefaultFax = {
    {0x2E, kTypeByte, 1},        {0x2F, kTypeBool, 1},        {0x30, kTypeByte, 40},
    {0x55, kTypeByte, 200},      {0x31, kTypeByte, 3},        {0x32, kTypeByte, 5},
    {0x33, kTypeByte, 0},        {0x34, kTypeByte, 0},        {0x35, kTypeByte, 1},
    {0x58, kTypeLong, 1},        {0x36, kTypeByte, 1},        {0x3F, kTypeByte, 255},
    {0x40, kTypeByte, 7},        {0x4C, kTypeLong, 0},        {0x42, kTypeBool, 1},
    {0x43, kTypeBool, 1},        {0x4D, kTypeBool, 1},        {0x4E, kTypeByte, 0},
    {0x50, kTypeShortCbm, -150}, {0x51, kTypeShortCbm, -430}, {0x57, kTypeByte, 0},
    {0x54, kTypeBool, 1},        {0x59, kTypeBool, 0},
};
const std::vector<SentTag> kDefaultSigDet = {
    {0x18, kTypeByteMs, 20},     {0x17, kTypeShortCbm, -280}, {0x19, kTypeByteMs, 45},
    {0x14, kTypeShortCbm, -240}, {0x16, kTypeShort, 380},     {0x15, kTypeByte, 8},
    {0x1A, kTypeByte, 0},        {0x28, kTypeBool, 0},        {0x29, kTypeShortCbm, 120},
    {0x27, kTypeShortMs, 1275},  {0x2B, kTypeShortMs, 2300},  {0x25, kTypeLongMs, 40000},
    {0x539, kTypeByteCb, 80},    {0x53A, kTypeByteCb, 40},    {0x53B, kTypeByte, 2},
    {0x53C, kTypeByte, 2},       {0x533, kTypeByteCb, 40},    {0x534, kTypeByteCb, 10},
    {0x535, kTypeByte, 4},       {0x536, kTypeByte, 3},       {0x537, kTypeByteMs, 30},
    {0x538, kTypeByteMs, 45},    {0x531, kTypeByteMs, 45},    {0x532, kTypeByteMs, 45},
};
const std::vector<SentTag> kDefaultSigGen = {
    {0x0B, kTypeShortCbm, -70}, {0x0C, kTypeShortCbm, -60}, {0x0D, kTypeShortCbm, -150}};

std::vector<uint32_t> Facilities(const std::vector<sim::FwCommand>& commands) {
  std::vector<uint32_t> out;
  for (const auto& command : commands) out.push_back(command.facility);
  return out;
}

TEST_F(FinalConfigTest, DefaultConfigurationSendsEveryFacilitysSettingsAndDiscoversTheModule) {
  ASSERT_EQ(Reset(), 0) << args_.status << "/" << args_.line_status;
  EXPECT_EQ(args_.reset_status, vtx::kResetCountryFile);  // only the missing country parameter file

  const auto sets = Received();
  ASSERT_EQ(Facilities(sets),
            (std::vector<uint32_t>{MILL_FACILITY_SPEECH, MILL_FACILITY_SPEECH, MILL_FACILITY_FAX,
                                   MILL_FACILITY_SIG_DET, MILL_FACILITY_SIG_GEN, MILL_FACILITY_FAX,
                                   MILL_FACILITY_FAX, MILL_FACILITY_ADMIN, MILL_FACILITY_ADMIN}));
  ExpectTags(sets[0], {{SPEECH_PLAY_GAIN_MODIFIER_VAR, kTypeByte, 0}});
  ExpectTags(sets[1], kDefaultSpeech);
  ExpectTags(sets[2], kDefaultFax);
  ExpectTags(sets[3], kDefaultSigDet);
  ExpectTags(sets[4], kDefaultSigGen);
  EXPECT_EQ(sets[5].tags.at(0).id, FAX_LOCAL_ID_VAR);
  EXPECT_EQ(sets[6].tags.at(0).id, FAX_LOCAL_TZ_OFFSET_VAR);  // the GANTRY keeps UTC
  ExpectTags(sets[7], {{ADMIN_COUNTRY_CODE_VAR, kTypeShort, 1}});
  ExpectTags(sets[8], {{ADMIN_LINE_ENCODING_OVERRIDE_VAR, kTypeByte, 0}});
  for (const auto& set : sets) EXPECT_EQ(set.address[3], line_->dest_addr[3]);

  EXPECT_EQ(TimeSets(), 1u);

  // Every facility's list was asked for once; the telephony controller's with priority.
  for (uint32_t facility : {MILL_FACILITY_SPEECH, MILL_FACILITY_FAX, MILL_FACILITY_SIG_DET,
                            MILL_FACILITY_SIG_GEN, MILL_FACILITY_ADMIN, MILL_FACILITY_TELE_CTRL}) {
    size_t asked = 0;
    for (const auto& r : Received(facility, MILL_VERB_REQUEST)) {
      if (r.code != COMMON_GET_CAPABILITIES_REQUEST) continue;
      ++asked;
      EXPECT_EQ(r.pkt_flags & MILL_PKT_PRIORITY,
                facility == MILL_FACILITY_TELE_CTRL ? MILL_PKT_PRIORITY : 0u);
    }
    EXPECT_EQ(asked, 1u) << facility;
  }
  // Regular module with a switch; SPEECH 0x607FC/0xB; FAX 0x7/0x10437; detector, generator,
  // ADMIN 0x13, telephony controller and analog ports.
  for (uint32_t capability :
       {91, 92, 87, 84, 43, 44, 45, 46, 47, 48, 50, 55, 60, 62, 14, 15, 16, 18, 19, 20, 22,
        23, 21, 25, 30, 39, 85, 86, 65, 66, 93, 67, 68, 69, 77, 82, 89, 90, 83, 13, 0}) {
    EXPECT_TRUE(HasCapability(line_, capability)) << capability;
  }
  for (uint32_t capability : {56, 79, 24, 72, 81, 1, 4, 73}) {
    EXPECT_FALSE(HasCapability(line_, capability)) << capability;
  }
}

TEST_F(FinalConfigTest, PreferenceFileValuesReachTheFirmwareSignedAndScaled) {
  ASSERT_EQ(Reset("v_play_gain -6\n"
                  "underrun_ctrl 3\n"
                  "restrict_res 0x1234\n"
                  "dtmf_thresh -4\n"
                  "dtmf_back_noise -10\n"
                  "ced_timeout 5000\n"
                  "country_code 0x0441\n"
                  "line_encoding 2\n"
                  "debug_control 9 55\n"
                  "debug_control 0F 66\n"
                  "debug_control 2 77\n"),
            0);
  const auto speech = Received(MILL_FACILITY_SPEECH);
  ASSERT_EQ(speech.size(), 4u);  // gain, list, underrun alone, debug control
  ExpectTags(speech[0], {{SPEECH_PLAY_GAIN_MODIFIER_VAR, kTypeByte, -6}});
  EXPECT_EQ(speech[0].tags[0].data, std::vector<uint8_t>{0xFA});
  ExpectTags(speech[2], {{SPEECH_UNDERRUN_CTRL_VAR, kTypeByte, 3}});
  ExpectTags(speech[3], {{COMMON_DEBUG_CONTROL_VAR, kTypeLong, 0x77}});

  const auto fax = Received(MILL_FACILITY_FAX);
  ASSERT_GE(fax.size(), 1u);
  ASSERT_EQ(fax[0].tags.size(), kDefaultFax.size());
  ExpectTags(sim::FwCommand{{}, {}, 0, 0, 0, {fax[0].tags[8], fax[0].tags[9]}, {}, 0, 0},
             {{FAX_RESTRICT_RES_VAR, kTypeByte, 0x34},
              {FAX_EXTENDED_RESTRICT_RES_VAR, kTypeLong, 0x1234}});
  ExpectTags(fax.back(), {{COMMON_DEBUG_CONTROL_VAR, kTypeLong, 0x55}});

  const auto sig_det = Received(MILL_FACILITY_SIG_DET);
  ASSERT_EQ(sig_det.size(), 1u);
  EXPECT_EQ(sig_det[0].tags[1].Value(), static_cast<uint16_t>(-300));  // -4 * 5 - 280
  EXPECT_EQ(sig_det[0].tags[8].Value(), static_cast<uint16_t>(-50));
  EXPECT_EQ(sig_det[0].tags[11].Value(), 50000u);  // ced_timeout through the country block

  const auto admin = Received(MILL_FACILITY_ADMIN);
  ASSERT_EQ(admin.size(), 2u);
  ExpectTags(admin[0], {{ADMIN_COUNTRY_CODE_VAR, kTypeShort, 44}});
  ExpectTags(admin[1], {{ADMIN_LINE_ENCODING_OVERRIDE_VAR, kTypeByte, 2}});
  // The pair for the absent PPI facility was skipped and the one after it still sent.
  EXPECT_TRUE(Received(0x0F).empty());
}

TEST_F(FinalConfigTest, NoInitDiscoversWithoutSendingAndTwoRunsOnlyTheEndChecks) {
  skip_teleph_ = 0;  // call control is not started without init either
  TraceCapture log(trace::kLevelInfo | trace::kLevelError);
  ASSERT_EQ(Reset("", 1), 0) << args_.status << "/" << args_.line_status;
  EXPECT_TRUE(log.Contains("Firmware version info not available."));
  EXPECT_FALSE(log.Contains("Firmware version info:"));
  EXPECT_FALSE(log.Contains("CallCtrlInit"));
  EXPECT_TRUE(Received().empty());
  EXPECT_TRUE(HasCapability(line_, 84));
  EXPECT_TRUE(HasCapability(line_, kCapFeatureQuery));
  EXPECT_TRUE(HasCapability(line_, 13));
  EXPECT_EQ(TimeSets(), 0u);

  board().ClearCommandLog();
  log.Clear();
  ASSERT_EQ(Reset("", 2), 0);
  EXPECT_FALSE(log.Contains("Firmware version info"));
  for (const auto& command : board().CommandLog()) {
    EXPECT_NE(command.code, COMMON_GET_CAPABILITIES_REQUEST) << command.facility;
  }
  EXPECT_TRUE(HasCapability(line_, 91));  // the module information still counts
  EXPECT_FALSE(HasCapability(line_, 84));
}

TEST_F(FinalConfigTest, ChannelResetReportsTheFirmwareVersions) {
  TraceCapture log(trace::kLevelInfo);
  ASSERT_EQ(Reset(), 0);
  const std::vector<std::string> messages = log.messages();
  auto header = std::find(messages.begin(), messages.end(), "Firmware version info:");
  ASSERT_NE(header, messages.end());
  const std::vector<std::string> report(header + 1, header + 6);
  EXPECT_EQ(report, (std::vector<std::string>{
                        "  Boot ROM:  5.0.2 Build 17 A1204 2026-03-14",
                        "  Ctrl Proc: 5.0.4 Build 31 A2210 2026-02-27",
                        "  DSP  0:    3.2.1 Build 7 A880 2025-11-05",
                        "  DSP  1:    3.2.1 Build 7 A880 2025-11-05",
                        "  DSP  2:    3.2.1 Build 7 A880 2025-11-05",
                    }));
  EXPECT_EQ(*(header + 7), "  DSP  4:    2.1.0 Build 4 A412 2025-09-18");
}

TEST_F(FinalConfigTest, ModuleWithoutToneGeneratorGetsOnlyItsFaxSettings) {
  board().facilities().erase(MILL_FACILITY_SIG_GEN);
  ASSERT_EQ(Reset(), 0) << args_.status << "/" << args_.line_status;
  EXPECT_EQ(line_->config.no_sig_gen, 1);
  const auto sets = Received();
  ASSERT_EQ(Facilities(sets),
            (std::vector<uint32_t>{MILL_FACILITY_SPEECH, MILL_FACILITY_FAX, MILL_FACILITY_FAX}));
  ExpectTags(sets[0], {{SPEECH_PLAY_GAIN_MODIFIER_VAR, kTypeByte, 0}});
  ExpectTags(sets[1], kDefaultFax);
  EXPECT_EQ(sets[2].tags.at(0).id, FAX_LOCAL_ID_VAR);
  EXPECT_EQ(TimeSets(), 0u);
  EXPECT_FALSE(HasCapability(line_, 93));
}

TEST_F(FinalConfigTest, CapabilityListsWithoutEntriesOrOfTheWrongShape) {
  // An empty list, or none within the second the query waits: the defaults of a module that
  // describes no capabilities apply.
  Capabilities(MILL_FACILITY_SPEECH).tags.clear();
  Capabilities(MILL_FACILITY_FAX).answers = false;
  ASSERT_EQ(Reset(), 0);
  for (uint32_t capability : {43, 44, 48, 49, 50, 51, 14, 15, 16, 18, 19, 20, 21, 22, 23, 25, 30}) {
    EXPECT_TRUE(HasCapability(line_, capability)) << capability;
  }
  EXPECT_FALSE(HasCapability(line_, 39));

  // 21 Long tags, or one tag that is not a Long: the board's parameters are refused.
  for (const auto& bad :
       {sim::FacilityCapabilities{true, std::vector<std::pair<uint32_t, uint32_t>>(21, {0x10, 1})},
        sim::FacilityCapabilities{}}) {
    Capabilities(MILL_FACILITY_SPEECH) = bad;
    if (bad.tags.empty()) {
      board().firmware().Set(
          MILL_FACILITY_SPEECH, MILL_VERB_REQUEST, COMMON_GET_CAPABILITIES_REQUEST,
          [](const sim::FwCommand&, sim::FwAnswer& answer) {
            answer.Packet().Event(COMMON_CAPABILITIES_LIST_EVENT,
                                  {sim::FwTag::Int(SPEECH_CAP_FORMATS_VAR, MILL_TYPE_SHORT, 4)});
          });
    }
    board().ClearCommandLog();
    EXPECT_EQ(Reset(), -1);
    EXPECT_EQ(args_.status, CV_STATUS_ERROR);
    EXPECT_EQ(args_.line_status, static_cast<uint32_t>(APIERR_INVALID_BOARD_PARAM));
    EXPECT_NE(args_.reset_status & vtx::kResetFormParse, 0u);
    EXPECT_TRUE(Received().empty()) << "the run ends before any setting";
  }
}

TEST_F(FinalConfigTest, RegularOnlyCapabilityAndTheTelephonyStepFollowTheBusType) {
  Capabilities(MILL_FACILITY_ADMIN).tags = {{COMMON_CAPABILITIES_VAR, 0x18}};
  ASSERT_EQ(Reset(), 0);
  EXPECT_TRUE(HasCapability(line_, 81));
  EXPECT_FALSE(Received(MILL_FACILITY_ADMIN, MILL_VERB_REQUEST).empty());

  board().info().bus_type = 3;
  board().ClearCommandLog();
  ASSERT_EQ(Reset(), 0);
  EXPECT_FALSE(HasCapability(line_, 81));
  EXPECT_TRUE(HasCapability(line_, 82));
  EXPECT_FALSE(HasCapability(line_, 91));
  EXPECT_FALSE(HasCapability(line_, 0));
  EXPECT_TRUE(Received(MILL_FACILITY_TELE_CTRL, MILL_VERB_REQUEST).empty());
  // Without the time-set bit the clock is left alone.
  EXPECT_EQ(TimeSets(), 0u);
}

// Reads the zone again once the test's own is gone.
struct ZoneReread {
  ~ZoneReread() { tzset(); }
};

TEST_F(FinalConfigTest, ModuleClockIsUtcWithTheZoneOffsetOrLocalTime) {
  ZoneReread reread;
  ScopedEnv zone("TZ", "XST-2");  // two hours ahead of UTC, no daylight saving
  tzset();
  // Resets the line: whether the module's clock was set, in Shorts, to what `convert` makes of
  // a moment of the reset.
  auto clock_set = [this](tm* (*convert)(const time_t*, tm*)) {
    const time_t moments[] = {time(nullptr), (Reset() == 0 ? time(nullptr) : 0)};
    sim::FwCommand set;
    for (const auto& r : Received(MILL_FACILITY_ADMIN, MILL_VERB_REQUEST)) {
      if (r.code == ADMIN_TIME_SET_REQUEST) set = r;
    }
    for (time_t moment : moments) {
      tm t{};
      convert(&moment, &t);
      const uint32_t expected[] = {uint32_t(t.tm_year + 1900), uint32_t(t.tm_mon + 1),
                                   uint32_t(t.tm_mday), uint32_t(t.tm_hour), uint32_t(t.tm_min)};
      bool same = set.tags.size() == 7 && set.tags[0].type == kTypeShort &&
                  set.tags[6].Value() == uint32_t(t.tm_wday + 1);
      for (size_t i = 0; same && i < 5; ++i) same = set.tags[i].Value() == expected[i];
      if (same && moments[1] != 0) return true;
    }
    return false;
  };
  EXPECT_TRUE(clock_set(gmtime_r));
  ExpectTags(Received(MILL_FACILITY_FAX)[2],
             {{FAX_LOCAL_TZ_OFFSET_VAR, kTypeLongMs | MILL_TYPE_SIGNED, 7200000}});

  // A module whose fax has no zone capability takes the local time.
  Capabilities(MILL_FACILITY_FAX).tags = {{FAX_CAP_FEATURES_VAR, 0x1}};
  board().ClearCommandLog();
  EXPECT_TRUE(clock_set(localtime_r));
  for (const auto& fax : Received(MILL_FACILITY_FAX)) {
    EXPECT_NE(fax.tags.at(0).id, FAX_LOCAL_TZ_OFFSET_VAR);
  }
}

TEST_F(FinalConfigTest, TheConfigurationStartsCallControlAndFailsWithIt) {
  skip_teleph_ = 0;
  TraceCapture log(trace::kLevelInfo | trace::kLevelError);
  EXPECT_EQ(Reset("call_control = " + dir_.Path("absent.cfg") + "\n"), -1);
  EXPECT_EQ(args_.status, CV_STATUS_ERROR);
  EXPECT_EQ(args_.line_status, static_cast<uint32_t>(APIERR_FILEIO));
  EXPECT_TRUE(log.Contains("CallCtrlInit() failed: -2."));
  EXPECT_EQ(Received(MILL_FACILITY_ADMIN).size(), 2u) << "everything before it was sent";

  const std::string callctrl = dir_.Path("callctrl.cfg");
  std::ofstream(callctrl) << "[module.3]\n";
  EXPECT_EQ(Reset("call_control = " + callctrl + "\n"), 0)
      << args_.status << "/" << args_.line_status;
  EXPECT_TRUE(callctrl::CallCtrlRunning());
  callctrl::CallCtrlShutdown();
}

TEST_F(FinalConfigTest, PendingAlertOrConditionFailsTheEndChecks) {
  struct Case {
    uint32_t alert_value, pending;
    uint32_t bits;
  };
  for (const Case& c : {Case{3, api::kPendingAlert, 0x40000}, Case{0, 505, 0x800000},
                        Case{0, 11, 0x80000}, Case{3, 11, 0xC0000}}) {
    // An application feeds the configuration itself on a line where something arrived earlier.
    line_->alert_value = c.alert_value;
    line_->pending_hangup = c.pending;
    line_->reset_status = 0;
    VtxLineArgs args{};
    args.no_init = 2;
    EXPECT_EQ(VtxLineConfig(line_, &args), -1);
    EXPECT_EQ(args.status, CV_STATUS_ERROR);
    EXPECT_EQ(args.reset_status & 0xFC0000u, c.bits) << c.pending;
  }
  line_->alert_value = 0;
  line_->pending_hangup = 0;
  VtxLineArgs args{};
  args.no_init = 2;
  EXPECT_EQ(VtxLineConfig(line_, &args), 0);
}

TEST_F(FinalConfigTest, ModuleLineGetsFontsCountryAndNoChannelSettings) {
  VtxLine* module_line = AttachSession(1, 2);
  ASSERT_NE(module_line, nullptr);
  const std::string font = dir_.Path("font3.fz8");
  std::ofstream(font) << std::string(3000, 'f');
  load_fonts_ = 1;
  ASSERT_EQ(Reset("font_file \"" + font + "\" 3\n", 0, module_line), 0)
      << args_.status << "/" << args_.line_status;
  EXPECT_EQ(board().fax().fonts.count(3), 1u);
  EXPECT_EQ(board().fax().fonts[3].size(), 3000u);
  EXPECT_TRUE(HasCapability(module_line, 73));  // bus type 1
  EXPECT_TRUE(HasCapability(module_line, kCapFeatureQuery));
  EXPECT_FALSE(HasCapability(module_line, 84));
  const auto sets = Received();
  ASSERT_EQ(Facilities(sets), std::vector<uint32_t>{MILL_FACILITY_ADMIN});
  ExpectTags(sets[0], {{ADMIN_COUNTRY_CODE_VAR, kTypeShort, 1}});

  // A module without channels takes no facility settings on its module line.
  board().info().num_channels = 0;
  board().ClearCommandLog();
  load_fonts_ = 0;
  ASSERT_EQ(Reset("", 0, module_line), 0);
  EXPECT_TRUE(Received().empty());
  EXPECT_TRUE(Received(MILL_FACILITY_ADMIN, MILL_VERB_REQUEST).empty());
  Detach(module_line);
}

}  // namespace
}  // namespace vtx::testing
