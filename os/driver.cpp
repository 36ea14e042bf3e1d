#include "os/driver.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "os/private_folder.h"
#include "vtx.h"

namespace os {
namespace {

std::mutex g_lock;
std::unique_ptr<DriverTransport> g_transport;
std::atomic<bool> g_priority_raised{false};
std::atomic<uint32_t> g_priority_raise_count{0};

// A TARROW_DRIVER value that names no transport: every open fails, and the reason is said once.
class InvalidTransport : public DriverTransport {
 public:
  explicit InvalidTransport(std::string value) : value_(std::move(value)) {}
  int Open(const char*) override {
    if (!told_.exchange(true)) {
      fprintf(stderr, "TARROW_DRIVER: expected \"device\", \"sim\" or \"sim:SOCKET\", got \"%s\"\n",
              value_.c_str());
    }
    errno = EINVAL;
    return -1;
  }
  int Close(int) override {
    errno = EBADF;
    return -1;
  }
  int Request(int, uint32_t, void*) override {
    errno = EBADF;
    return -1;
  }
  std::string Description() const override { return "invalid TARROW_DRIVER \"" + value_ + "\""; }
  bool Simulated() const override { return false; }

 private:
  std::string value_;
  std::atomic<bool> told_{false};
};

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

std::unique_ptr<DriverTransport> ChooseFromEnvironment() {
  const char* value = getenv("TARROW_DRIVER");
  std::string choice = value ? value : "";
  if (choice == "device") return MakeDeviceTransport();
  if (choice == "sim") return MakeEmbeddedTransport();
  if (choice.rfind("sim:", 0) == 0 && choice.size() > 4) {
    return MakeDaemonTransport(choice.substr(4));
  }
  if (!choice.empty()) return std::make_unique<InvalidTransport>(choice);
  struct stat info {};
  if (stat(VTX_DRIVER_DEVICE, &info) == 0) return MakeDeviceTransport();
  std::string socket_path = DefaultDaemonSocket();
  if (DaemonListens(socket_path)) {
    // Only a daemon in a folder of this user's alone: in /tmp another user may have made it.
    const std::string unfit = CheckDaemonSocketFolder(false);
    if (unfit.empty()) return MakeDaemonTransport(socket_path);
    fprintf(stderr, "%s; not using the simulator daemon there\n", unfit.c_str());
  }
  return MakeEmbeddedTransport();
}

}  // namespace

std::string DefaultDaemonSocket() {
  return DaemonSocketFolder() + "/tarrow-simd.sock";
}

DriverTransport& Driver() {
  std::lock_guard<std::mutex> hold(g_lock);
  if (!g_transport) g_transport = ChooseFromEnvironment();
  return *g_transport;
}

std::string DriverDescription() {
  return Driver().Description();
}
bool DriverIsSimulated() {
  return Driver().Simulated();
}

void SetDriverForTesting(std::unique_ptr<DriverTransport> transport) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_transport = std::move(transport);
}

int DeviceOpen(const char* device_name) {
  int handle = Driver().Open(device_name);
  if (handle < 0) return -1;
  errno = 0;
  // The first successful open of the board device raises the process priority; the control
  // device never does.
  if (strcmp(device_name, VTX_CONTROL_DEVICE) != 0 && !g_priority_raised.exchange(true)) {
    RaiseProcessPriority();
  }
  return handle;
}

int DeviceClose(int handle) {
  if (Driver().Close(handle) != 0) return -1;
  errno = 0;
  return 0;
}

int DeviceRequest(int handle, uint32_t subcommand, void* block) {
  if (Driver().Request(handle, subcommand, block) != 0) return -1;
  errno = 0;
  return 0;
}

void RaiseProcessPriority() {
  g_priority_raise_count.fetch_add(1);
  RaiseSystemPriority();
}

uint32_t PriorityRaiseCount() {
  return g_priority_raise_count.load();
}

}  // namespace os
