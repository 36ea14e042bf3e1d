// Driver parameter blocks are the driver's wire format: their sizes do not depend on the host.
#include "vtx.h"

static_assert(sizeof(VtxDrvModuleInfoBlock) == 316, "MODULE_INFO block");
static_assert(sizeof(VtxDrvConfigSpecsBlock) == 68, "MODULE_CONFIG_SPECS block");
static_assert(sizeof(VtxDrvSessionBlock) == 28, "SESSION_CREATE block");
static_assert(sizeof(VtxDrvAssocBlock) == 12, "ADDRESS_ASSOC block");
static_assert(sizeof(VtxDrvAddressCheckBlock) == 8, "ADDRESS_CHECK block");
static_assert(sizeof(VtxDrvDeactivateBlock) == 8, "MODULE_DEACTIVATE block");
static_assert(sizeof(VtxDriverVersion) == 20, "driver version block");

// Sub-records of the versioned argument records hold no pointers.
static_assert(sizeof(VtxSockAddr) == 16, "socket address");
static_assert(sizeof(VtxT38Params) == 52, "T.38 parameters");
static_assert(sizeof(VtxUdptlOptions49) == 84 && sizeof(VtxRtpOptions49) == 84, "4.9 options");
static_assert(sizeof(VtxUdptlOptions) == 180 && sizeof(VtxRtpOptions) == 180, "5.0 options");
static_assert(offsetof(VtxUdptlOptions, reserved) == 116, "5.0 options: the described part");
static_assert(sizeof(VtxDialTexts48) == 648 && sizeof(VtxDialTexts) == 1288, "dialling texts");
static_assert(offsetof(VtxDialTexts48, db_file) == 4 && offsetof(VtxDialTexts48, cp_text3) == 516,
              "4.8 dialling texts");
static_assert(offsetof(VtxDialTexts, db_file) == 4 && offsetof(VtxDialTexts, cp_text3) == 1028,
              "4.9 dialling texts");
