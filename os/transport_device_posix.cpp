// The real board: the device node and its one I/O control.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

#include "os/driver.h"
#include "vtx.h"

namespace os {
namespace {

class DeviceTransport : public DriverTransport {
 public:
  int Open(const char* device_name) override { return open(device_name, O_RDONLY | O_CLOEXEC); }
  int Close(int handle) override { return close(handle); }
  int Request(int handle, uint32_t subcommand, void* block) override {
    VtxDrvIoRequest request{subcommand, 0, block};
    if (ioctl(handle, VTX_IOCTL_CODE, &request) != 0) return -1;
    errno = static_cast<int>(request.result);
    return request.result > 0 ? -1 : 0;
  }
  std::string Description() const override { return "device " VTX_DRIVER_DEVICE; }
  bool Simulated() const override { return false; }
};

}  // namespace

std::unique_ptr<DriverTransport> MakeDeviceTransport() {
  return std::make_unique<DeviceTransport>();
}

void RaiseSystemPriority() {
  // Without the privilege the call fails and the priority stays as it was.
  (void)setpriority(PRIO_PROCESS, 0, -10);
}

}  // namespace os
