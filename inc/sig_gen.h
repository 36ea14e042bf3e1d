// sig_gen.h - codes of the SIG_GEN facility (signal and tone generation).
// Plain #define lines only: the trace name loader reads this file at run time, so every
// code is one "#define NAME value" line and comments use "//".
#ifndef TARROW_SIG_GEN_H
#define TARROW_SIG_GEN_H

#define MILL_FACILITY_SIG_GEN 0x06

// Tags
#define SIG_GEN_SIGNAL_LENGTH_VAR 0x02
#define SIG_GEN_DTMF_POST_SILENCE_VAR 0x03
#define SIG_GEN_DTMF_VALUE_VAR 0x04
#define SIG_GEN_DTMF_LOW_LEVEL_VAR 0x0B
#define SIG_GEN_DTMF_HIGH_LEVEL_VAR 0x0C
#define SIG_GEN_DATA_LEVEL_VAR 0x0D
#define SIG_GEN_TONE_GEN_TYPE_VAR 0x0E

// Modes (START and FINISH)
#define SIG_GEN_TONE_MODE 0x02
#define SIG_GEN_CP_MODE 0x03
#define SIG_GEN_TONE_PAT_MODE 0x04

// Events (EVENT)
#define SIG_GEN_DTMF_STARTED_EVENT 0x02
#define SIG_GEN_TONE_FINISHED_EVENT 0x03
#define SIG_GEN_CP_STARTED_EVENT 0x04
#define SIG_GEN_CP_FINISHED_EVENT 0x05
#define SIG_GEN_TONE_PAT_STARTED_EVENT 0x06
#define SIG_GEN_TONE_PAT_FINISHED_EVENT 0x07

#endif  // TARROW_SIG_GEN_H
