// The keyword table. Pairs of keywords that write one setting: busy_ct and busy_dt_ct,
// width_behavior and width_res_behavior, wink and immediate, tone and pulse.
#include "lineconfig/keywords.h"

#include <cstddef>
#include <cstring>

#include "api/settings.h"

namespace vtx {

#define VTX_KEYWORD(name, kind, field) \
  { name, ValueKind::kind, offsetof(LineSettings, field), 0 }
#define VTX_SAME(field) VTX_KEYWORD(#field, kDec8, field)
#define VTX_FLAG(name, field, value) \
  { name, ValueKind::kFlag, offsetof(LineSettings, field), value }

const Keyword kKeywords[kKeywordCount] = {
    VTX_SAME(adpcm_exp),
    VTX_SAME(agc),
    VTX_SAME(badline_behavior),
    VTX_KEYWORD("bft_rcv_cap", kHex8, bft_rcv_cap),
    VTX_KEYWORD("busy_ct", kDec8, busy_ct),
    VTX_KEYWORD("busy_dt_ct", kDec8, busy_ct),
    VTX_KEYWORD("cabs", kDec32, cabs),
    VTX_KEYWORD("call_control", kText, call_control),
    VTX_KEYWORD("country_code", kHex32, country_code),
    VTX_KEYWORD("ced_timeout", kDec32, ced_timeout),
    VTX_KEYWORD("cp_silence_duration", kDec32, cp_silence_duration),
    VTX_KEYWORD("cv_cparm", kText, cv_cparm),
    VTX_SAME(cvnsf),
    VTX_SAME(did_digits),
    VTX_SAME(did_variable),
    VTX_SAME(dtmf_back_noise),
    VTX_KEYWORD("dtmf_harmonic", kDec32, dtmf_harmonic),
    VTX_SAME(dtmf_hi_to_lo_twist_idle),
    VTX_SAME(dtmf_hi_to_lo_twist_play),
    VTX_SAME(dtmf_in_to_in_ratio_idle),
    VTX_SAME(dtmf_in_to_in_ratio_play),
    VTX_SAME(dtmf_in_to_out_ratio_idle),
    VTX_SAME(dtmf_in_to_out_ratio_play),
    VTX_SAME(dtmf_lo_to_hi_twist_idle),
    VTX_SAME(dtmf_lo_to_hi_twist_play),
    VTX_SAME(dtmf_min_off_idle),
    VTX_SAME(dtmf_min_off_play),
    VTX_SAME(dtmf_min_on_idle),
    VTX_SAME(dtmf_min_on_play),
    VTX_SAME(dtmf_play_snr),
    VTX_SAME(dtmf_playoff),
    VTX_SAME(dtmf_rdelta),
    VTX_KEYWORD("dtmf_record_silthr", kDec32, dtmf_record_silthr),
    VTX_SAME(dtmf_skip_init),
    VTX_SAME(dtmf_thresh),
    VTX_SAME(dtmf_twist),
    VTX_SAME(ecm_enable),
    VTX_KEYWORD("eff_pt_caps", kHex32, eff_pt_caps),
    VTX_SAME(error_enable),
    VTX_SAME(error_mult),
    VTX_SAME(error_mult_rtp),
    VTX_SAME(error_thresh),
    VTX_SAME(fax_rtp_enable),
    VTX_FLAG("immediate", start_signal, kStartImmediate),
    VTX_SAME(line_compression),
    VTX_SAME(line_encoding),
    VTX_KEYWORD("max_pagelist", kDec32, max_pagelist),
    VTX_KEYWORD("max_timeout", kDec32, max_timeout),
    VTX_SAME(max_width),
    VTX_SAME(min_length),
    VTX_SAME(missing_wait),
    VTX_SAME(nrings),
    VTX_KEYWORD("pcpm_table", kText, pcpm_table),
    VTX_SAME(play_cdm),
    VTX_SAME(play_drc),
    VTX_SAME(play_preemph),
    VTX_FLAG("pulse", dial_mode, kDialPulse),
    VTX_KEYWORD("record_beep_dur", kDec32, record_beep_dur),
    VTX_KEYWORD("record_beep_freq", kDec32, record_beep_freq),
    VTX_KEYWORD("restrict_res", kHex32, restrict_res),
    VTX_KEYWORD("silcompr_middle", kDec32, silcompr_middle),
    VTX_KEYWORD("silcompr_start", kDec32, silcompr_start),
    VTX_KEYWORD("subpwdsep", kHex8, subpwdsep),
    VTX_SAME(switch_hook),
    VTX_FLAG("tone", dial_mode, kDialTone),
    VTX_SAME(underrun_ctrl),
    VTX_SAME(v34_2400_baud_ctrl),
    VTX_SAME(v34_ci_enable),
    VTX_SAME(v34_enable),
    VTX_SAME(v34_transmit_only),
    VTX_KEYWORD("v_timeout", kDec32, v_timeout),
    VTX_SAME(v_silence_thresh),
    VTX_SAME(v_silence_wait),
    VTX_SAME(v_loop_break),
    VTX_SAME(v_play_gain),
    VTX_SAME(v_record_gain),
    VTX_KEYWORD("width_res_behavior", kDec8, width_behavior),
    VTX_KEYWORD("width_behavior", kDec8, width_behavior),
    VTX_FLAG("wink", start_signal, kStartWink),
};

#undef VTX_FLAG
#undef VTX_SAME
#undef VTX_KEYWORD

const Keyword* FindKeyword(const char* name) {
  for (const Keyword& keyword : kKeywords) {
    if (std::strcmp(keyword.name, name) == 0) return &keyword;
  }
  return nullptr;
}

}  // namespace vtx
