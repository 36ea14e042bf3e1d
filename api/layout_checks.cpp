// Driver parameter blocks are the driver's wire format: their sizes do not depend on the host.
#include "vtx.h"

static_assert(sizeof(VtxDrvModuleInfoBlock) == 316, "MODULE_INFO block");
static_assert(sizeof(VtxDrvConfigSpecsBlock) == 68, "MODULE_CONFIG_SPECS block");
static_assert(sizeof(VtxDrvSessionBlock) == 28, "SESSION_CREATE block");
static_assert(sizeof(VtxDrvAssocBlock) == 12, "ADDRESS_ASSOC block");
static_assert(sizeof(VtxDrvAddressCheckBlock) == 8, "ADDRESS_CHECK block");
static_assert(sizeof(VtxDrvDeactivateBlock) == 8, "MODULE_DEACTIVATE block");
static_assert(sizeof(VtxDriverVersion) == 20, "driver version block");
