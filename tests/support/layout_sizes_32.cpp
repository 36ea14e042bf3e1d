// Compiled with -m32 only (make test-m32): the published record sizes hold where pointers are
// four bytes, as on the product's home platform.
#include "vtx.h"

static_assert(sizeof(void*) == 4, "compile this file with -m32");
static_assert(sizeof(VtxDrvIoRequest) == 12, "the I/O control request is 12 bytes");
static_assert(sizeof(VtxDrvModuleInfoBlock) == 316, "MODULE_INFO block");
static_assert(sizeof(VtxDrvConfigSpecsBlock) == 68, "MODULE_CONFIG_SPECS block");
static_assert(sizeof(VtxDrvMsgBlock) == 44, "MSG_SEND and MSG_RECEIVE blocks are 11 words");
static_assert(sizeof(VtxDrvSessionBlock) == 28, "SESSION_CREATE block");
