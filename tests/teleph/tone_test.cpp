#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lineconfig/country_params.h"
#include "sig_det.h"
#include "sig_gen.h"
#include "tests/support/capture.h"
#include "tests/teleph/teleph_fixture.h"

namespace {

using vtx::testing::TraceCapture;

constexpr uint32_t kContinue = 0xFFFFFFFF;

class ToneTest : public vtx::testing::TelephLineTest {
 protected:
  void SetUp() override {
    TelephLineTest::SetUp();
    for (uint32_t capability : {93u, 67u, 85u, 65u}) vtx::SetCapability(line_, capability);
  }
  static VtxTonePlayArgs Play(int32_t digit, int32_t type) {
    VtxTonePlayArgs args{};
    args.digit = digit;
    args.millisecs = 20;
    args.tone_type = type;
    return args;
  }
  static VtxToneArgs Tone(uint32_t millisecs = 0) {
    VtxToneArgs args{};
    args.millisecs = millisecs;
    return args;
  }
  std::vector<sim::FwCommand> Commands(uint32_t facility) {
    return vtx::testing::Received(board(), facility);
  }
  // The channel of the line reports `digits` in one SIGNAL_DETECTION event.
  void Hear(const std::string& digits) {
    std::vector<sim::FwTag> tags;
    for (char c : digits) {
      tags.push_back(sim::FwTag::Int(SIG_DET_DTMF_VALUE_VAR, 0x10, static_cast<uint8_t>(c)));
    }
    sim::FwPacket event;
    event.Event(SIG_DET_SIGNAL_DETECTION_EVENT, tags).Facility(MILL_FACILITY_SIG_DET);
    ASSERT_EQ(machine().InjectEvent(2, 1, event), 1u);
  }
  // The line receives and processes what its channel sent.
  void Process() {
    MillArgs args{};
    args.timeout = 1000;
    ASSERT_EQ(VtxRcvProcessPkt(line_, &args), 1);
  }
  // Every character up to the buffer's end, taken without waiting.
  std::string TakeAll() {
    std::string taken;
    for (;;) {
      VtxToneArgs args = Tone(0);
      const int c = VtxToneGet(line_, &args);
      if (c < 0) return taken;
      taken.push_back(static_cast<char>(c));
    }
  }
  void Enable(uint32_t decode_flag) {
    VtxToneArgs args = Tone();
    args.decode_flag = decode_flag;
    VtxToneDetectEnable(line_, &args);
    ASSERT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_OK)) << args.line_status;
  }
};

TEST_F(ToneTest, TonePlaySendsTheToneAndWaitsUntilItFinished) {
  vtx::SetDefaultCountryParams(line_);
  VtxTonePlayArgs args = Play('7', 90);
  VtxTonePlay(line_, &args);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_OK));
  const auto played = Commands(MILL_FACILITY_SIG_GEN);
  ASSERT_EQ(played.size(), 1u);
  EXPECT_EQ(played[0].verb, static_cast<uint32_t>(MILL_VERB_START));
  EXPECT_EQ(played[0].code, static_cast<uint32_t>(SIG_GEN_TONE_MODE));
  ASSERT_EQ(played[0].tags.size(), 4u);
  EXPECT_EQ(played[0].tags[0].id, static_cast<uint32_t>(SIG_GEN_DTMF_VALUE_VAR));
  EXPECT_EQ(played[0].tags[0].type, 0x10u);
  EXPECT_EQ(played[0].tags[0].Value(), static_cast<uint32_t>('7'));
  EXPECT_EQ(played[0].tags[1].Value(), 20u) << "SIGNAL_LENGTH";
  EXPECT_EQ(played[0].tags[2].Value(), 16u) << "type 90 plays as 16";
  EXPECT_EQ(played[0].tags[3].type, 0x42u);
  EXPECT_EQ(played[0].tags[3].Value(), 60u) << "the USA default silence";

  board().ClearCommandLog();
  args = Play('1', 13);
  VtxTonePlay(line_, &args);
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_BADPARAMETER));
  ClearCapability(67);
  args = Play('1', 18);
  VtxTonePlay(line_, &args);
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_BOARDCAPABILITY));
  args = Play('1', 16);
  args.async_lp = 5;
  VtxTonePlay(line_, &args);
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR));
  EXPECT_TRUE(Commands(MILL_FACILITY_SIG_GEN).empty()) << "nothing sent for a refusal";

  args = Play('#', 12);
  args.interdigit_time = 15;
  VtxTonePlay(line_, &args);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_OK));
  EXPECT_EQ(Commands(MILL_FACILITY_SIG_GEN).at(0).tags[3].Value(), 15u);
}

TEST_F(ToneTest, TheRingHoldsFortyNineCharactersAndDropsWhatComesWhenFull) {
  const std::string many = "0123456789*#ABCD0123456789*#ABCD0123456789*#ABCD12";  // 50
  VtxToneArgs args = Tone();
  VtxToneFlush(line_, &args);  // the tone family is in place
  Hear(many);
  Process();
  EXPECT_EQ(VtxToneGet(line_, &args), '0');
  Hear("X");  // one place is free again
  Process();
  Hear("Y");  // dropped
  Process();
  EXPECT_EQ(TakeAll(), many.substr(1, 48) + "X");
}

TEST_F(ToneTest, PeekUngetAndFlushWorkOnTheNextCharacter) {
  Hear("56");
  VtxToneArgs args = Tone();
  EXPECT_EQ(VtxTonePeek(line_, &args), '5');
  EXPECT_EQ(args.digit, '5');
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_OK));
  args = Tone();
  EXPECT_EQ(VtxToneGet(line_, &args), '5');
  EXPECT_EQ(VtxToneGet(line_, &args), '6');
  EXPECT_EQ(VtxTonePeek(line_, &args), -1) << "nothing waiting";
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_OK));

  args.digit = '9';
  VtxIntToneUnget(line_, &args);
  args.digit = 1;  // the call-progress return value is never pushed back
  VtxIntToneUnget(line_, &args);
  Hear("3");
  args = Tone(1000);
  EXPECT_EQ(VtxToneGet(line_, &args), '9') << "the pushed-back character comes first";
  args.digit = '4';
  VtxIntToneUnget(line_, &args);
  args.digit = 0;
  VtxIntToneUnget(line_, &args);
  EXPECT_EQ(VtxToneGet(line_, &args), '3');

  Hear("78");
  args.digit = '2';
  VtxIntToneUnget(line_, &args);
  VtxToneFlush(line_, &args);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_OK));
  EXPECT_EQ(TakeAll(), "");

  args = Tone(30);
  EXPECT_EQ(VtxToneGet(line_, &args), -1);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_TIMEOUT));
}

TEST_F(ToneTest, DetectionReportsWhatTheChannelHearsWithTheEndsWhenAsked) {
  TraceCapture trace;
  board().heard_tones()[1] = {"5", 120, 10};
  Enable(16 | VTX_TONE_REPORT_ENDS);
  const auto started = Commands(MILL_FACILITY_SIG_DET);
  ASSERT_EQ(started.size(), 1u);
  ASSERT_EQ(started[0].tags.size(), 2u);
  EXPECT_EQ(started[0].tags[0].Value(), 16u);
  EXPECT_EQ(started[0].tags[1].id, static_cast<uint32_t>(SIG_DET_TONE_DETECT_REPORT_END_VAR));
  VtxToneArgs args = Tone(2000);
  EXPECT_EQ(VtxToneGet(line_, &args), '5');
  EXPECT_EQ(VtxToneGet(line_, &args), 0) << "the tone's end";
  EXPECT_TRUE(trace.Contains("Tone '5' detected"));
  EXPECT_TRUE(trace.Contains("Tone end, length 120 msecs"));

  VtxToneDetectDisable(line_, &args);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_OK));
  EXPECT_EQ(line_->tones.decode_flag, 0u);

  Enable(16);
  args = Tone(2000);
  EXPECT_EQ(VtxToneGet(line_, &args), '5');
  args = Tone(300);
  EXPECT_EQ(VtxToneGet(line_, &args), -1) << "no end without asking";
}

TEST_F(ToneTest, AnEventReportingCallProgressByAnyTagIsOneWaitingResult) {
  VtxToneArgs args = Tone();
  VtxToneFlush(line_, &args);  // the tone family is in place
  sim::FwPacket event;
  event
      .Event(SIG_DET_SIGNAL_DETECTION_EVENT,
             {sim::FwTag::Int(SIG_DET_CP_RAW_VALUE_VAR, MILL_TYPE_LONG, 7),
              sim::FwTag::Int(SIG_DET_CP_CADENCE_VAR, MILL_TYPE_LONG, 3)})
      .Facility(MILL_FACILITY_SIG_DET);
  ASSERT_EQ(machine().InjectEvent(2, 1, event), 1u);
  args = Tone(1000);
  args.tone_cp = 1;
  EXPECT_EQ(VtxToneGet(line_, &args), 1);
  EXPECT_EQ(line_->tones.cp_results, 1u);
}

TEST_F(ToneTest, DetectionTypesAndCapabilitiesAreChecked) {
  VtxToneArgs args = Tone();
  args.decode_flag = 20;
  VtxToneDetectEnable(line_, &args);
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_BADPARAMETER));
  ClearCapability(65);
  args.decode_flag = 17;
  VtxToneDetectEnable(line_, &args);
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_BOARDCAPABILITY));
  ClearCapability(85);
  args.decode_flag = 12;
  VtxToneDetectEnable(line_, &args);
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_BOARDCAPABILITY));
  VtxToneDetectDisable(line_, &args);
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_BOARDCAPABILITY));
  EXPECT_TRUE(Commands(MILL_FACILITY_SIG_DET).empty());

  // A wrongly typed tag is traced and skipped.
  TraceCapture trace;
  sim::FwPacket event;
  event.Event(SIG_DET_SIGNAL_DETECTION_EVENT, {sim::FwTag::Int(SIG_DET_DTMF_VALUE_VAR, 0, '1')})
      .Facility(MILL_FACILITY_SIG_DET);
  ASSERT_EQ(machine().InjectEvent(2, 1, event), 1u);
  EXPECT_EQ(TakeAll(), "");
  EXPECT_TRUE(trace.Contains("Expecting type 10, got 0"));
}

TEST_F(ToneTest, TheToneFamilyRunsAsynchronously) {
  VtxLine* notify = AttachSession(1, 2);
  ASSERT_NE(notify, nullptr);
  board().heard_tones()[1] = {"8", 40, 30};
  VtxToneArgs args = Tone();
  args.decode_flag = 12;
  args.async_lp = VtxLineAsyncHandle(notify);
  VtxToneDetectEnable(line_, &args);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_OK)) << "the answer was there at once";

  args = Tone(0xFFFFFFFF);
  args.async_lp = VtxLineAsyncHandle(notify);
  EXPECT_EQ(VtxToneGet(line_, &args), 2);
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_CONTINUING));
  VtxToneArgs other = Tone();
  other.async_lp = kContinue;
  EXPECT_EQ(VtxTonePeek(line_, &other), -1);
  EXPECT_EQ(other.line_status, static_cast<uint32_t>(APIERR_ASYNC_CONTEXT_ERR));
  other.async_lp = 0;
  VtxIntToneUnget(line_, &other);
  other.async_lp = 7;
  VtxIntToneUnget(line_, &other);
  EXPECT_EQ(other.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR));

  MillArgs wait{};
  wait.timeout = 2000;
  EXPECT_EQ(MillWaitNotify(notify, &wait), line_);
  args.async_lp = kContinue;
  EXPECT_EQ(VtxToneGet(line_, &args), '8');
  EXPECT_EQ(args.status, static_cast<uint32_t>(CV_STATUS_OK));
  EXPECT_EQ(line_->nesting, 0u);
  VtxLineArgs detach{};
  EXPECT_EQ(VtxLineDetach(notify, &detach), 0);
}

}  // namespace
