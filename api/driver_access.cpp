#include "api/driver_access.h"

#include <cerrno>
#include <cstring>

#include "api/line.h"
#include "api/result.h"
#include "os/driver.h"
#include "trace/api_log.h"

namespace vtx {
namespace {

using trace::kLevelError;
using trace::kLevelInfo;

}  // namespace

uint8_t AnyFacility() {
  return AddressByteMask();
}
uint32_t HighestModuleNumber() {
  return FullByteAddressMode() ? 254 : 126;
}

int DriverOpenHandshake(int* handle, VtxDriverVersion* version) {
  int opened = os::DeviceOpen(VTX_DRIVER_DEVICE);
  if (opened < 0) {
    trace::Message(nullptr, kLevelError, "Accessing Driver: %s", strerror(errno));
    return kDriverOpenFailed;
  }
  VtxDriverVersion received{};
  if (os::DeviceRequest(opened, VTX_DRV_GET_VERSION, &received) != 0) {
    trace::Message(nullptr, kLevelError, "GET_VERSION: %s", strerror(errno));
    os::DeviceClose(opened);
    return kDriverVersionFailed;
  }
  if (version != nullptr) *version = received;
  if (received.interface_version != VTX_DRIVER_INTERFACE) {
    trace::Message(nullptr, kLevelError, "Incompatible driver versions.");
    trace::Message(nullptr, kLevelError, "Got V%d w/interface V%d, expecting interface V%d",
                   received.driver_version, received.interface_version, VTX_DRIVER_INTERFACE);
    os::DeviceClose(opened);
    return kDriverVersionFailed;
  }
  SetFullByteAddressMode(received.full_byte_address_mode != 0);
  trace::Message(nullptr, kLevelInfo, "Driver V%d (Build %d, PIPR V%d, Intrf V%d)",
                 received.driver_version, received.driver_build, received.pipr_version,
                 received.interface_version);
  *handle = opened;
  return kDriverReady;
}

void DriverClose(int* handle) {
  if (*handle >= 0) os::DeviceClose(*handle);
  *handle = -1;
}

bool DriverRequest(VtxLine* line, int handle, uint32_t subcommand, void* block,
                   const char* request_name) {
  int target = line != nullptr ? line->drv_handle : handle;
  if (os::DeviceRequest(target, subcommand, block) == 0) return true;
  if (line != nullptr) line->last_error = errno;
  trace::RequestFailure(line, request_name);
  return false;
}

namespace {

// SESSION_CREATE and SESSION_DESTROY share their block and their failure handling.
int SessionRequest(VtxLine* line, uint32_t subcommand, VtxDrvSessionBlock& block,
                   const char* request_name, const char* status_message, VtxResult* result) {
  if (!DriverRequest(line, -1, subcommand, &block, request_name)) {
    Fail(result, APIERR_DRV_IOCTL_ERR);
    return 1;
  }
  if (block.drv_status != GDI_STS_OK) {
    trace::Message(line, kLevelError, status_message, VtxDrvStatusName(block.drv_status));
    VtxDrvStatusToApiError(result, block.drv_status);
    return 1;
  }
  return 0;
}

}  // namespace

int SessionCreate(VtxLine* line, const SessionParams& params, uint32_t* session,
                  uint8_t session_address[4], VtxResult* result) {
  VtxDrvSessionBlock block{};
  memcpy(block.address, params.requested_address, 4);
  block.flags = params.flags;
  block.buffer_size = params.buffer_size;
  block.session_parm1 = params.parm1;
  block.session_parm2 = params.parm2;
  if (SessionRequest(line, VTX_DRV_SESSION_CREATE, block, "SESSION_CREATE",
                     "Error creating session %s", result) != 0) {
    return 1;
  }
  *session = block.session;
  memcpy(session_address, block.address, 4);
  return 0;
}

int SessionDestroy(VtxLine* line, uint32_t session, VtxResult* result) {
  VtxDrvSessionBlock block{};
  block.session = session;
  return SessionRequest(line, VTX_DRV_SESSION_DESTROY, block, "SESSION_DESTROY",
                        "Error destroying session %s", result);
}

int AddressAssociate(VtxLine* line, uint32_t session, uint8_t address[4], VtxResult* result) {
  VtxDrvAssocBlock block{};
  block.session = session;
  memcpy(block.address, address, 4);
  if (!DriverRequest(line, -1, VTX_DRV_ADDRESS_ASSOC, &block, "ADDRESS_ASSOC")) {
    Fail(result, APIERR_DRV_IOCTL_ERR);
    return kAssocError;
  }
  memcpy(address, block.address, 4);
  const uint8_t* a = block.address;
  switch (block.drv_status) {
    case GDI_STS_OK:
      return kAssocDone;
    case GDI_STS_NODATA:
      trace::Message(line, kLevelError, "Addr %02X.%02X.%02X.%02X not found", a[0], a[1], a[2],
                     a[3]);
      return kAssocNotFound;
    case GDI_STS_ADDRESS_IN_USE:
      trace::Message(line, kLevelError, "Addr %02X.%02X.%02X.%02X already in use", a[0], a[1], a[2],
                     a[3]);
      return kAssocInUse;
    default:
      trace::Message(line, kLevelError, "Error checking for addr %02X.%02X.%02X.%02X: %s", a[0],
                     a[1], a[2], a[3], VtxDrvStatusName(block.drv_status));
      VtxDrvStatusToApiError(result, block.drv_status);
      return kAssocError;
  }
}

}  // namespace vtx
