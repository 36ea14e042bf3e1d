// Compiled with -m32 only (make test-m32): the published record sizes hold where pointers are
// four bytes, as on the product's home platform.
#include "vtx.h"

static_assert(sizeof(void*) == 4, "compile this file with -m32");
static_assert(sizeof(VtxDrvIoRequest) == 12, "the I/O control request is 12 bytes");
static_assert(sizeof(VtxDrvModuleInfoBlock) == 316, "MODULE_INFO block");
static_assert(sizeof(VtxDrvConfigSpecsBlock) == 68, "MODULE_CONFIG_SPECS block");
static_assert(sizeof(VtxDrvMsgBlock) == 44, "MSG_SEND and MSG_RECEIVE blocks are 11 words");
static_assert(sizeof(VtxDrvSessionBlock) == 28, "SESSION_CREATE block");

// Argument records of the versioned families: the sizes older applications were built with.
static_assert(sizeof(VtxLineArgs) == 185, "line record, 5.0");
static_assert(offsetof(VtxLineArgs, attach_option) == 181, "line record, 4.8");
static_assert(sizeof(VtxTelephArgs48) == 228, "telephony and switching record, 4.8");
static_assert(sizeof(VtxTelephArgs49) == 396, "telephony and switching record, 4.9");
static_assert(offsetof(VtxTelephArgs49, udptl_opts) == 228, "4.9 UDPTL options");
static_assert(offsetof(VtxTelephArgs49, rtp_opts) == 312, "4.9 RTP options");
static_assert(sizeof(VtxTelephArgs) == 588, "telephony and switching record, 5.0");
static_assert(offsetof(VtxTelephArgs, udptl_opts) == 228, "5.0 UDPTL options");
static_assert(offsetof(VtxTelephArgs, rtp_opts) == 408, "5.0 RTP options");
static_assert(sizeof(VtxDialArgs48) == 806, "call-progress and dialling record, 4.8");
static_assert(sizeof(VtxDialArgs) == 1446, "call-progress and dialling record, 4.9");
static_assert(offsetof(VtxDialArgs48, texts) == 8 && offsetof(VtxDialArgs, texts) == 8,
              "dialling texts follow the result words");
