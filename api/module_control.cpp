#include "api/module_control.h"

#include "api/address_mode.h"
#include "api/driver_access.h"
#include "api/line.h"
#include "api/result.h"
#include "trace/api_log.h"

namespace vtx {
namespace {

struct Control {
  uint32_t subcommand;
  const char* request_name;
  const char* status_message;
  bool timeout_own_error;  // a driver time-out is a configuration time-out
};

constexpr Control kReset = {VTX_DRV_MODULE_RESET, "MODULE_RESET", "Reset error %s", false};
constexpr Control kReconfig = {VTX_DRV_MODULE_RECONFIG, "MODULE_RECONFIG",
                               "Reconfiguration error %s", true};

// The API error of a module control's driver status.
uint32_t ControlError(const Control& control, uint32_t drv_status) {
  if (drv_status == GDI_STS_FAILED) return APIERR_MODULE_RESET_FAILURE;
  if (drv_status == GDI_STS_INIT) return APIERR_MODULE_I2O_FAILURE;
  if (drv_status == GDI_STS_TIMEOUT && control.timeout_own_error) {
    return APIERR_MODULE_CONFIG_TIMEOUT;
  }
  return 0;
}

bool Request(VtxLine* line, const Control& control, uint32_t config_spec, VtxResult* result) {
  VtxDrvModuleCtlBlock block{};
  block.word0 = line->dest_addr[2] & AddressByteMask();
  block.config_value = config_spec;
  if (!DriverRequest(line, -1, control.subcommand, &block, control.request_name)) {
    Fail(result, APIERR_DRV_IOCTL_ERR);
    return false;
  }
  if (block.drv_status == GDI_STS_OK) return true;
  trace::Message(line, trace::kLevelError, control.status_message,
                 VtxDrvStatusName(block.drv_status));
  const uint32_t own = ControlError(control, block.drv_status);
  if (own != 0) {
    Fail(result, own);
  } else {
    VtxDrvStatusToApiError(result, block.drv_status);
  }
  return false;
}

}  // namespace

bool ModuleReset(VtxLine* line, VtxResult* result) {
  return Request(line, kReset, 0, result);
}

bool ModuleReconfig(VtxLine* line, uint32_t config_spec, VtxResult* result) {
  return Request(line, kReconfig, config_spec, result);
}

}  // namespace vtx
