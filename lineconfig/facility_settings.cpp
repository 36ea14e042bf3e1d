#include "lineconfig/facility_settings.h"

#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "fax.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "packet/variables.h"
#include "sig_det.h"
#include "sig_gen.h"
#include "speech.h"

namespace vtx {
namespace {

// Country parameter positions that the firmware receives.
constexpr size_t kToneMinimum = 7;  // dial tone minimum, in units of 50 ms
constexpr size_t kDataLevel = 16;   // levels: signed, in units of 5 cBm
constexpr size_t kDtmfLowLevel = 17;
constexpr size_t kDtmfHighLevel = 18;
constexpr size_t kReceiveLevel = 19;
constexpr size_t kCedTimeoutLow = 25;  // with its high byte at 26, in units of 10 ms
constexpr size_t kMaxBitRate = 149;
constexpr size_t kMinScanTime = 150;
constexpr size_t kDtmfDurationSelect = 167;  // -1, 0, 1: 35, 45, 55 ms
constexpr size_t kDtmfInterdigit = 168;

constexpr int32_t kLevelUnit = 5;  // country levels and the DTMF tuning ratios count 5 cBm
constexpr int32_t kDtmfThreshOffset = 280;
constexpr int32_t kMaxRawDuration = 1275;

int32_t Signed(const VtxLine& line, size_t position) {
  return static_cast<int8_t>(line.config.country[position]);
}
int32_t Unsigned(const VtxLine& line, size_t position) {
  return line.config.country[position];
}

int32_t DtmfDuration(const VtxLine& line) {
  switch (Signed(line, kDtmfDurationSelect)) {
    case -1:
      return 35;
    case 1:
      return 55;
    default:
      return 45;
  }
}

bool Refused(VtxLine* line, int sent, const MillArgs& send, VtxLineArgs* args) {
  if ((sent & MILL_SEND_SENT) != 0 && send.status == CV_STATUS_OK) return false;
  line->reset_status |= kResetTransfer;
  SetResult(args, send.status != CV_STATUS_OK ? send.status : CV_STATUS_ERROR, send.line_status);
  return true;
}

}  // namespace

bool SendSettings(VtxLine* line, uint32_t facility, const TagList& tags, VtxLineArgs* args) {
  MillArgs send{};
  send.facility = facility;
  send.timeout = packet::kForever;
  send.tag_list = tags.items();
  return !Refused(line, packet::SetVars(line, &send), send, args);
}

bool SendRequest(VtxLine* line, uint32_t facility, uint32_t code, const TagList& tags,
                 VtxLineArgs* args) {
  MillArgs send{};
  send.facility = facility;
  send.verb = MILL_VERB_REQUEST;
  send.code = code;
  send.timeout = packet::kForever;
  send.tag_list = tags.items();
  return !Refused(line, packet::FormSendCmd(line, &send), send, args);
}

void TagList::Add(uint32_t id, uint32_t type, int32_t value) {
  if (count_ == kMaxTags) return;
  items_[count_++] = MillTagItem{id, type, 0, MILL_TAG_VALUE(value)};
}

TagList PlayGainSetting(const VtxLine& line) {
  TagList tags;
  tags.Add(SPEECH_PLAY_GAIN_MODIFIER_VAR, kTypeByte, line.config.settings.v_play_gain);
  return tags;
}

TagList SpeechSettings(const VtxLine& line) {
  const LineSettings& s = line.config.settings;
  TagList tags;
  tags.Add(SPEECH_PLAY_PREEMPH_MODE_VAR, kTypeByte, s.play_preemph);
  tags.Add(SPEECH_PLAY_DRC_MODE_VAR, kTypeByte, s.play_drc);
  tags.Add(SPEECH_PLAY_CDM_MODE_VAR, kTypeByte, s.play_cdm);
  tags.Add(SPEECH_ADPCM_EXP_VAR, kTypeByte, s.adpcm_exp);
  tags.Add(SPEECH_RECORD_BEEP_LENGTH_VAR, kTypeLongMs, s.record_beep_dur);
  tags.Add(SPEECH_RECORD_BEEP_FREQ_VAR, kTypeShortHz, s.record_beep_freq);
  return tags;
}

TagList UnderrunSetting(const VtxLine& line) {
  TagList tags;
  tags.Add(SPEECH_UNDERRUN_CTRL_VAR, kTypeByte, line.config.settings.underrun_ctrl);
  return tags;
}

TagList FaxSettings(const VtxLine& line) {
  const LineSettings& s = line.config.settings;
  const auto restrict_res = static_cast<int32_t>(s.restrict_res);
  TagList tags;
  tags.Add(FAX_ECM_ENABLE_VAR, kTypeByte, s.ecm_enable);
  tags.Add(FAX_ERROR_ENABLE_VAR, kTypeBool, s.error_enable);
  tags.Add(FAX_ERROR_MULT_VAR, kTypeByte, s.error_mult);
  tags.Add(FAX_RTP_MULT_VAR, kTypeByte, s.error_mult_rtp);
  tags.Add(FAX_ERROR_THRESH_VAR, kTypeByte, s.error_thresh);
  tags.Add(FAX_LINE_COMPRESSION_VAR, kTypeByte, s.line_compression);
  tags.Add(FAX_MAX_WIDTH_VAR, kTypeByte, s.max_width);
  tags.Add(FAX_MIN_LENGTH_VAR, kTypeByte, s.min_length);
  tags.Add(FAX_RESTRICT_RES_VAR, kTypeByte, restrict_res);
  tags.Add(FAX_EXTENDED_RESTRICT_RES_VAR, kTypeLong, restrict_res);
  tags.Add(FAX_WIDTH_RES_BEHAVIOR_VAR, kTypeByte, s.width_behavior);
  tags.Add(FAX_MAX_BIT_RATE_VAR, kTypeByte, Unsigned(line, kMaxBitRate));
  tags.Add(FAX_MIN_SCAN_TIME_VAR, kTypeByte, Unsigned(line, kMinScanTime));
  tags.Add(FAX_EFF_CAPS_VAR, kTypeLong, static_cast<int32_t>(s.eff_pt_caps));
  tags.Add(FAX_V34_2400_BAUD_CTRL_ENABLE_VAR, kTypeBool, s.v34_2400_baud_ctrl);
  tags.Add(FAX_V34_CI_ENABLE_VAR, kTypeBool, s.v34_ci_enable);
  tags.Add(FAX_V34_ENABLE_VAR, kTypeBool, s.v34_enable);
  tags.Add(FAX_SUBPWDSEP_ENABLE_VAR, kTypeByte, s.subpwdsep);
  tags.Add(FAX_DATA_LEVEL_VAR, kTypeShortCbm, Signed(line, kDataLevel) * kLevelUnit);
  tags.Add(FAX_RECEIVE_LEVEL_VAR, kTypeShortCbm, Signed(line, kReceiveLevel) * kLevelUnit);
  tags.Add(FAX_BADLINE_BEHAVIOR_VAR, kTypeByte, s.badline_behavior);
  tags.Add(FAX_RTP_ENABLE_VAR, kTypeBool, s.fax_rtp_enable);
  tags.Add(FAX_V34_TRANSMIT_ONLY_ENABLE_VAR, kTypeBool, s.v34_transmit_only);
  return tags;
}

TagList SigDetSettings(const VtxLine& line) {
  const LineSettings& s = line.config.settings;
  const int32_t ced_timeout =
      Unsigned(line, kCedTimeoutLow) | (Unsigned(line, kCedTimeoutLow + 1) << 8);
  TagList tags;
  tags.Add(SIG_DET_DTMF_INTERDIGIT_VAR, kTypeByteMs, Unsigned(line, kDtmfInterdigit));
  tags.Add(SIG_DET_DTMF_THRESH_VAR, kTypeShortCbm, s.dtmf_thresh * kLevelUnit - kDtmfThreshOffset);
  tags.Add(SIG_DET_DTMF_DURATION_VAR, kTypeByteMs, DtmfDuration(line));
  tags.Add(SIG_DET_DTMF_HARMONIC_VAR, kTypeShortCbm, s.dtmf_harmonic);
  tags.Add(SIG_DET_DTMF_RECORD_SILTHR_VAR, kTypeShort, s.dtmf_record_silthr);
  tags.Add(SIG_DET_DTMF_PLAY_SNR_VAR, kTypeByte, s.dtmf_play_snr);
  tags.Add(SIG_DET_DTMF_RDELTA_VAR, kTypeByte, s.dtmf_rdelta);
  tags.Add(SIG_DET_DTMF_SKIP_INIT_VAR, kTypeBool, s.dtmf_skip_init);
  tags.Add(SIG_DET_DTMF_BACK_NOISE_VAR, kTypeShortCbm, s.dtmf_back_noise * kLevelUnit);
  tags.Add(SIG_DET_MAX_RAW_DURATION_VAR, kTypeShortMs, kMaxRawDuration);
  tags.Add(SIG_DET_DTONE_MIN_VAR, kTypeShortMs, Unsigned(line, kToneMinimum) * 50);
  tags.Add(SIG_DET_CED_TIMEOUT_VAR, kTypeLongMs, ced_timeout * 10);
  tags.Add(SIG_DET_DTMF_IN_TO_IN_RATIO_IDLE_VAR, kTypeByteCb,
           s.dtmf_in_to_in_ratio_idle * kLevelUnit);
  tags.Add(SIG_DET_DTMF_IN_TO_OUT_RATIO_IDLE_VAR, kTypeByteCb,
           s.dtmf_in_to_out_ratio_idle * kLevelUnit);
  tags.Add(SIG_DET_DTMF_HI_TO_LO_TWIST_IDLE_VAR, kTypeByte, s.dtmf_hi_to_lo_twist_idle);
  tags.Add(SIG_DET_DTMF_LO_TO_HI_TWIST_IDLE_VAR, kTypeByte, s.dtmf_lo_to_hi_twist_idle);
  tags.Add(SIG_DET_DTMF_IN_TO_IN_RATIO_PLAY_VAR, kTypeByteCb,
           s.dtmf_in_to_in_ratio_play * kLevelUnit);
  tags.Add(SIG_DET_DTMF_IN_TO_OUT_RATIO_PLAY_VAR, kTypeByteCb,
           s.dtmf_in_to_out_ratio_play * kLevelUnit);
  tags.Add(SIG_DET_DTMF_HI_TO_LO_TWIST_PLAY_VAR, kTypeByte, s.dtmf_hi_to_lo_twist_play);
  tags.Add(SIG_DET_DTMF_LO_TO_HI_TWIST_PLAY_VAR, kTypeByte, s.dtmf_lo_to_hi_twist_play);
  tags.Add(SIG_DET_DTMF_MIN_ON_IDLE_VAR, kTypeByteMs, s.dtmf_min_on_idle);
  tags.Add(SIG_DET_DTMF_MIN_OFF_IDLE_VAR, kTypeByteMs, s.dtmf_min_off_idle);
  tags.Add(SIG_DET_DTMF_MIN_ON_PLAY_VAR, kTypeByteMs, s.dtmf_min_on_play);
  tags.Add(SIG_DET_DTMF_MIN_OFF_PLAY_VAR, kTypeByteMs, s.dtmf_min_off_play);
  return tags;
}

TagList SigGenSettings(const VtxLine& line) {
  TagList tags;
  tags.Add(SIG_GEN_DTMF_LOW_LEVEL_VAR, kTypeShortCbm, Signed(line, kDtmfLowLevel) * kLevelUnit);
  tags.Add(SIG_GEN_DTMF_HIGH_LEVEL_VAR, kTypeShortCbm, Signed(line, kDtmfHighLevel) * kLevelUnit);
  tags.Add(SIG_GEN_DATA_LEVEL_VAR, kTypeShortCbm, Signed(line, kDataLevel) * kLevelUnit);
  return tags;
}

}  // namespace vtx
