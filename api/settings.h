// The configuration state of a line: the settings read from the user preference file, the font
// table, the country parameters and the flag of an open configuration sequence.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx {

constexpr size_t kDebugControlPairs = 4;
constexpr size_t kIdStringLen = 20;
constexpr size_t kFileNameSize = 256;  // file-name settings, terminating zero included
constexpr size_t kFontSlots = 32;
constexpr size_t kDefaultFontSlot = 31;
constexpr size_t kCountryParamsLen = 202;

// Start signal and dial mode values, as the flag keywords store them.
constexpr uint8_t kStartWink = 1;
constexpr uint8_t kStartImmediate = 2;
constexpr uint8_t kDialTone = 0;
constexpr uint8_t kDialPulse = 1;

// A DEBUG_CONTROL setting for the firmware: the facility in `first` (0: the pair is free) and
// the value for it in `second`.
struct DebugControlPair {
  uint32_t first;
  uint32_t second;
};

// The settings of one line. The configuration sequence starts from kDefaultLineSettings; the
// keywords overwrite single fields. Signed fields keep what a negative value means (-1: absent).
struct LineSettings {
  DebugControlPair debug_control[kDebugControlPairs];

  int32_t record_beep_dur;
  int32_t record_beep_freq;
  int32_t max_timeout;
  uint32_t eff_pt_caps;
  uint32_t country_code;
  int32_t max_pagelist;
  int32_t v_timeout;
  int32_t ced_timeout;
  int32_t cabs;
  int32_t dtmf_harmonic;
  int32_t dtmf_record_silthr;
  int32_t silcompr_start;
  int32_t silcompr_middle;
  uint32_t restrict_res;
  int32_t cp_silence_duration;

  char id_string[kIdStringLen + 1];

  uint8_t error_mult;
  uint8_t error_thresh;
  uint8_t error_enable;
  uint8_t v_silence_thresh;
  uint8_t v_silence_wait;
  uint8_t start_signal;  // wink or immediate
  uint8_t nrings;
  uint8_t did_digits;
  uint8_t dial_mode;  // tone or pulse
  uint8_t switch_hook;
  uint8_t v_loop_break;

  char cv_cparm[kFileNameSize];

  uint8_t ecm_enable;
  uint8_t max_width;
  uint8_t width_behavior;

  char call_control[kFileNameSize];
  char pcpm_table[kFileNameSize];

  uint8_t did_variable;
  uint8_t line_compression;
  uint8_t bft_rcv_cap;

  uint8_t afe_present;  // afe_config seen for this line's channel
  uint8_t afe_config[3];

  uint8_t subpwdsep;
  uint8_t dtmf_playoff;
  uint8_t dtmf_twist;
  int8_t dtmf_thresh;
  uint8_t cvnsf;
  uint8_t min_length;
  uint8_t missing_wait;
  uint8_t agc;
  int8_t v_play_gain;
  uint8_t busy_ct;  // busy cadence count
  uint8_t v_record_gain;
  uint8_t play_preemph;
  uint8_t play_drc;
  uint8_t play_cdm;
  uint8_t dtmf_play_snr;
  uint8_t dtmf_rdelta;
  uint8_t v34_2400_baud_ctrl;
  uint8_t v34_ci_enable;
  uint8_t dtmf_skip_init;
  int8_t dtmf_back_noise;
  uint8_t v34_enable;
  uint8_t adpcm_exp;
  uint8_t line_encoding;
  uint8_t badline_behavior;
  uint8_t underrun_ctrl;
  uint8_t error_mult_rtp;
  uint8_t fax_rtp_enable;
  uint8_t dtmf_in_to_in_ratio_idle;
  uint8_t dtmf_in_to_out_ratio_idle;
  uint8_t dtmf_hi_to_lo_twist_idle;
  uint8_t dtmf_lo_to_hi_twist_idle;
  uint8_t dtmf_in_to_in_ratio_play;
  uint8_t dtmf_in_to_out_ratio_play;
  uint8_t dtmf_hi_to_lo_twist_play;
  uint8_t dtmf_lo_to_hi_twist_play;
  uint8_t dtmf_min_on_idle;
  uint8_t dtmf_min_off_idle;
  uint8_t dtmf_min_on_play;
  uint8_t dtmf_min_off_play;
  uint8_t v34_transmit_only;
};

extern const LineSettings kDefaultLineSettings;

// Font file names by slot, each owned (allocated through the memory hooks) or null. An all-zero
// table is empty.
struct FontTable {
  char* names[kFontSlots];
};

// Everything the line record keeps for the configuration. All zeros until the first sequence.
struct LineConfigState {
  uint32_t sequence_open;  // non-zero between the first configuration line and the closing call
  LineSettings settings;
  FontTable fonts;
  uint8_t country[kCountryParamsLen];
  uint8_t no_sig_gen;  // the module has no SIG_GEN: tone and detector settings are not sent
};

}  // namespace vtx
