// The default image of the line settings: what every configuration sequence starts from.
#include "api/settings.h"

#include <cstring>

namespace vtx {
namespace {

void CopyName(char (&field)[kFileNameSize], const char* name) {
  std::strncpy(field, name, sizeof field - 1);
}

LineSettings MakeDefaults() {
  LineSettings s{};  // debug-control pairs free, pcpm_table empty, no front-end configuration
  s.record_beep_dur = 500;
  s.record_beep_freq = 500;
  s.max_timeout = 0;
  s.eff_pt_caps = 0;
  s.country_code = 0x10;
  s.max_pagelist = 30;
  s.v_timeout = 60;
  s.ced_timeout = -1;  // absent: the country's value stays
  s.cabs = -1;         // absent likewise
  s.dtmf_harmonic = -240;
  s.dtmf_record_silthr = 380;
  s.silcompr_start = 500;
  s.silcompr_middle = 1000;
  s.restrict_res = 0x1;
  s.cp_silence_duration = 0;
  std::memset(s.id_string, ' ', kIdStringLen);

  s.error_mult = 40;
  s.error_thresh = 3;
  s.error_enable = 1;
  s.v_silence_thresh = 10;
  s.v_silence_wait = 20;
  s.start_signal = kStartWink;
  s.nrings = 1;
  s.did_digits = 4;
  s.dial_mode = kDialTone;
  s.switch_hook = 100;
  s.v_loop_break = 80;
  CopyName(s.cv_cparm, "CV_CPARM.CFG");
  s.ecm_enable = 1;
  s.max_width = 0;
  s.width_behavior = 1;
  CopyName(s.call_control, "callctrl.cfg");
  s.did_variable = 0;
  s.line_compression = 5;
  s.bft_rcv_cap = 0;

  s.subpwdsep = 0;
  s.dtmf_playoff = 0;
  s.dtmf_twist = 5;
  s.dtmf_thresh = 0;
  s.cvnsf = 0;
  s.min_length = 0;
  s.missing_wait = 20;
  s.agc = 2;
  s.v_play_gain = 0;
  s.busy_ct = 1;
  s.v_record_gain = 0;
  s.play_preemph = 0;
  s.play_drc = 1;
  s.play_cdm = 1;
  s.dtmf_play_snr = 8;
  s.dtmf_rdelta = 0;
  s.v34_2400_baud_ctrl = 1;
  s.v34_ci_enable = 1;
  s.dtmf_skip_init = 0;
  s.dtmf_back_noise = 24;
  s.v34_enable = 1;
  s.adpcm_exp = 1;
  s.line_encoding = 0;
  s.badline_behavior = 0;
  s.underrun_ctrl = 0;
  s.error_mult_rtp = 200;
  s.fax_rtp_enable = 1;
  s.dtmf_in_to_in_ratio_idle = 16;
  s.dtmf_in_to_out_ratio_idle = 8;
  s.dtmf_hi_to_lo_twist_idle = 2;
  s.dtmf_lo_to_hi_twist_idle = 2;
  s.dtmf_in_to_in_ratio_play = 8;
  s.dtmf_in_to_out_ratio_play = 2;
  s.dtmf_hi_to_lo_twist_play = 4;
  s.dtmf_lo_to_hi_twist_play = 3;
  s.dtmf_min_on_idle = 30;
  s.dtmf_min_off_idle = 45;
  s.dtmf_min_on_play = 45;
  s.dtmf_min_off_play = 45;
  s.v34_transmit_only = 0;
  return s;
}

}  // namespace

const LineSettings kDefaultLineSettings = MakeDefaults();

}  // namespace vtx
