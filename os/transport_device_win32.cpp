// The real board on Windows: a device name of the form /dev/NAME is the system device \\.\NAME,
// and every request is the one I/O control of the driver.
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "os/driver.h"
#include "vtx.h"

namespace os {
namespace {

// "\\.\" and the name after its "/dev/".
std::string SystemDevicePath(const char* device_name) {
  return std::string("\\\\.\\") + (strlen(device_name) > 5 ? device_name + 5 : "");
}

// The handles of this interface are ints: a kernel handle fits in 32 bits on 64-bit Windows
// too, and keeps its value through the sign extension back.
HANDLE FromHandle(int handle) {
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

class DeviceTransport : public DriverTransport {
 public:
  int Open(const char* device_name) override {
    HANDLE device =
        CreateFileA(SystemDevicePath(device_name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
      errno = ErrnoFromSystemError(GetLastError());
      return -1;
    }
    return static_cast<int>(reinterpret_cast<intptr_t>(device));
  }
  int Close(int handle) override {
    if (CloseHandle(FromHandle(handle))) return 0;
    errno = ErrnoFromSystemError(GetLastError());
    return -1;
  }
  int Request(int handle, uint32_t subcommand, void* block) override {
    VtxDrvIoRequest request{subcommand, 0, block};
    DWORD returned = 0;
    int result;
    if (DeviceIoControl(FromHandle(handle), VTX_IOCTL_CODE, &request, sizeof request, &request,
                        sizeof request, &returned, nullptr)) {
      result = static_cast<int>(request.result);
    } else {
      result = ErrnoFromSystemError(GetLastError());
    }
    errno = result;
    return result > 0 ? -1 : 0;
  }
  std::string Description() const override {
    return "device " + SystemDevicePath(VTX_DRIVER_DEVICE);
  }
  bool Simulated() const override { return false; }
};

}  // namespace

std::unique_ptr<DriverTransport> MakeDeviceTransport() {
  return std::make_unique<DeviceTransport>();
}

std::unique_ptr<DriverTransport> MakeDefaultTransport() {
  std::unique_ptr<DriverTransport> device = MakeDeviceTransport();
  int handle = device->Open(VTX_DRIVER_DEVICE);
  if (handle < 0) {
    return MakeNoTransport("no board: " + SystemDevicePath(VTX_DRIVER_DEVICE) + ": " +
                               strerror(errno) +
                               "; set TARROW_DRIVER=sim for the built-in simulated machine",
                           ENODEV, false);
  }
  device->Close(handle);
  return device;
}

// The simulator daemon serves on a Unix socket, which the Windows build does not have: there the
// simulator runs inside the process.
std::unique_ptr<DriverTransport> MakeDaemonTransport(const std::string& socket_path) {
  return MakeNoTransport("TARROW_DRIVER=sim:" + socket_path +
                             ": the simulator daemon is not part of the Windows build; \"sim\" "
                             "runs the simulator inside the process",
                         ENOSYS, true);
}

// Where a POSIX host's daemon would listen; the text says that Windows has none.
std::string DefaultDaemonSocket() {
  return "none: the simulator daemon is not part of the Windows build";
}

void RaiseSystemPriority() {
  SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
}

}  // namespace os
