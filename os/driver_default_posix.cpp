// Which transport a process gets when TARROW_DRIVER is not set, on a POSIX host.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "os/driver.h"
#include "os/local_socket.h"
#include "os/private_folder.h"
#include "vtx.h"

namespace os {
namespace {

bool DaemonListens(const std::string& path) {
  const int fd = LocalConnect(path);
  if (fd < 0) return false;
  SocketClose(fd);
  return true;
}

}  // namespace

std::string DefaultDaemonSocket() {
  return DaemonSocketFolder() + "/tarrow-simd.sock";
}

std::unique_ptr<DriverTransport> MakeDefaultTransport() {
  struct stat info {};
  if (stat(VTX_DRIVER_DEVICE, &info) == 0) return MakeDeviceTransport();
  const int device_error = errno;
  std::string socket_path = DefaultDaemonSocket();
  std::string daemon = "no simulator daemon at " + socket_path;
  if (DaemonListens(socket_path)) {
    // Only a daemon in a folder of this user's alone: in /tmp another user may have made it.
    const std::string unfit = CheckDaemonSocketFolder(false);
    if (unfit.empty()) return MakeDaemonTransport(socket_path);
    daemon = unfit + "; not using the simulator daemon there";
  }
  return MakeNoTransport(std::string("no board: " VTX_DRIVER_DEVICE ": ") + strerror(device_error) +
                             "; " + daemon +
                             "; set TARROW_DRIVER=sim for the built-in simulated machine",
                         ENODEV, false);
}

}  // namespace os
