// common.h - codes common to all facilities (looked up when a facility does not name a code).
// Plain #define lines only: the trace name loader reads this file at run time, so every
// code is one "#define NAME value" line and comments use "//".
#ifndef TARROW_COMMON_H
#define TARROW_COMMON_H

#define MILL_FACILITY_COMMON 0x7F

// Tags
#define COMMON_ERROR_INVALID_VERB_VAR 0x60
#define COMMON_ERROR_INVALID_VERB_SPECIFIER_VAR 0x61
#define COMMON_HOST_CONTEXT_VAR 0x62
#define COMMON_CONTINUED_VAR 0x74
#define COMMON_CONTINUATION_VAR 0x75
#define COMMON_CAPABILITIES_VAR 0x76
#define COMMON_DEBUG_CONTROL_VAR 0x77
#define COMMON_RESULT_CODE_VAR 0x78
#define COMMON_CURRENT_STREAM_VAR 0x79
#define COMMON_STREAM_VALUE_VAR 0x7A
#define COMMON_DIAGNOSTIC_DATA_VAR 0x7B
#define COMMON_DIAGNOSTIC_MESSAGE_VAR 0x7C
#define COMMON_ERROR_DATA_VAR 0x7D
#define COMMON_ERROR_MESSAGE_VAR 0x7E
#define COMMON_ERROR_VALUE_VAR 0x7F

// Events (EVENT)
#define COMMON_GET_RSP_EVENT 0x7C
#define COMMON_DIAGNOSTIC_REPORT_EVENT 0x7D
#define COMMON_CAPABILITIES_LIST_EVENT 0x7E
#define COMMON_ERROR_REPORT_EVENT 0x7F

// Requests (REQUEST)
#define COMMON_GET_CAPABILITIES_REQUEST 0x7F

#endif  // TARROW_COMMON_H
