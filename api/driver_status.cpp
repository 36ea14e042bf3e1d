// Driver status codes: their names and the API errors they become; and the driver's public
// entry points, which forward to the operating-system layer unchanged.
#include <cstdio>

#include "api/result.h"
#include "os/driver.h"
#include "vtx.h"

namespace {

const char* const kStatusNames[GDI_STS_COUNT] = {"GDI_STS_OK",
                                                 "GDI_STS_FAILED",
                                                 "GDI_STS_PORTHANDLEBAD",
                                                 "GDI_STS_PORTGROUPHANDLEBAD",
                                                 "GDI_STS_PORTNOTEXIST",
                                                 "GDI_STS_PORTNOTAVAIL",
                                                 "GDI_STS_LENGTHBAD",
                                                 "GDI_STS_SESSIONHANDLEBAD",
                                                 "GDI_STS_NODATA",
                                                 "GDI_STS_MSG_NOT_SENT",
                                                 "GDI_STS_BUFFER_TOO_BIG",
                                                 "GDI_STS_INVALID_HANDLE",
                                                 "GDI_STS_INVALID_VALUE",
                                                 "GDI_STS_INVALID_MSG",
                                                 "GDI_STS_MEMORY_SIZE",
                                                 "GDI_STS_NEW_SEGMENT",
                                                 "GDI_STS_MSG_END",
                                                 "GDI_STS_MSG_NO_DATA",
                                                 "GDI_STS_MSG_PUSH",
                                                 "GDI_STS_RESOURCES",
                                                 "GDI_STS_NAME_TOO_LONG",
                                                 "GDI_STS_ADDRESS_INVALID",
                                                 "GDI_STS_ADDRESS_IN_USE",
                                                 "GDI_STS_INVALID_STATE",
                                                 "GDI_STS_FLOW",
                                                 "GDI_STS_SERVER",
                                                 "GDI_STS_NOCREDIT",
                                                 "GDI_STS_SIGNATURE",
                                                 "GDI_STS_ALREADY_DONE",
                                                 "GDI_STS_SCAN_RETURN",
                                                 "GDI_STS_SCAN_RETURN_NULL",
                                                 "GDI_STS_SCAN_NEXT",
                                                 "GDI_STS_NO_MIL_PACKET",
                                                 "GDI_STS_INIT",
                                                 "GDI_STS_TIMEOUT",
                                                 "GDI_STS_INTR",
                                                 "GDI_STS_NOLOCK",
                                                 "GDI_STS_ONMSGAVAILABLE",
                                                 "GDI_STS_PENDING",
                                                 "GDI_STS_SIZE",
                                                 "GDI_STS_INUSE",
                                                 "GDI_STS_DESTROY_PENDING",
                                                 "GDI_STS_POOL_MAX",
                                                 "GDI_STS_REQUEST",
                                                 "GDI_STS_BLOCKED",
                                                 "GDI_STS_TYPE",
                                                 "GDI_STS_ADDRESS_NULL",
                                                 "GDI_STS_LNODE_OBJECT_NULL",
                                                 "GDI_STS_NOT_REGISTERED",
                                                 "GDI_STS_ID",
                                                 "GDI_STS_NOT_DEFINED",
                                                 "GDI_STS_CANCELLED",
                                                 "GDI_STS_INACTIVE",
                                                 "GDI_STS_NOT_SUPPORTED",
                                                 "GDI_STS_OVERFLOW",
                                                 "GDI_STS_UNKNOWN_MSG_ELEMENT",
                                                 "GDI_STS_LNODE_NOT_IN_LIST",
                                                 "GDI_STS_INTR_WIN_APC",
                                                 "GDI_STS_INTR_WIN_ALERT",
                                                 "GDI_STS_VOID"};

uint32_t ApiErrorOf(uint32_t drv_status) {
  switch (drv_status) {
    case GDI_STS_LENGTHBAD:
    case GDI_STS_BUFFER_TOO_BIG:
      return APIERR_INSUFF_BUFFER;
    case GDI_STS_SESSIONHANDLEBAD:
      return APIERR_INVALID_PORT;
    case GDI_STS_INVALID_VALUE:
    case GDI_STS_SIZE:
    case GDI_STS_REQUEST:
      return APIERR_BADPARAMETER;
    case GDI_STS_MEMORY_SIZE:
    case GDI_STS_POOL_MAX:
      return APIERR_MEMORY;
    case GDI_STS_RESOURCES:
      return APIERR_DRV_RESOURCES;
    case GDI_STS_ADDRESS_INVALID:
    case GDI_STS_INACTIVE:
      return APIERR_INVALID_DEST_ADDR;
    case GDI_STS_ADDRESS_IN_USE:
    case GDI_STS_INUSE:
      return APIERR_BUSY;
    case GDI_STS_TIMEOUT:
      return APIERR_BOARD_NO_RESPONSE;
    default:
      return APIERR_DRV_IOCTL_ERR;
  }
}

}  // namespace

extern "C" {

const char* VtxDrvStatusName(uint32_t drv_status) {
  if (drv_status < GDI_STS_COUNT) return kStatusNames[drv_status];
  // One process-wide buffer: the text holds until the next unknown code.
  static char unknown[32];
  snprintf(unknown, sizeof unknown, "GDI_STS_? %u", drv_status);
  return unknown;
}

int VtxDrvStatusToApiError(VtxResult* result, uint32_t drv_status) {
  if (drv_status == GDI_STS_OK) return 0;
  vtx::Fail(result, ApiErrorOf(drv_status));
  return 1;
}

int VtxDrvOpen(const char* device_name) {
  return os::DeviceOpen(device_name);
}
int VtxDrvClose(int handle) {
  return os::DeviceClose(handle);
}
int VtxDrvRequest(int handle, uint32_t subcommand, void* block) {
  return os::DeviceRequest(handle, subcommand, block);
}

}  // extern "C"
