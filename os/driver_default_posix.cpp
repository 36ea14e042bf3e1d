// Which transport a process gets when TARROW_DRIVER is not set, on a POSIX host.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "os/driver.h"
#include "os/private_folder.h"
#include "vtx.h"

namespace os {
namespace {

bool DaemonListens(const std::string& path) {
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    close(fd);
    return false;
  }
  memcpy(address.sun_path, path.c_str(), path.size() + 1);
  bool listens = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return listens;
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
