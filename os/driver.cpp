#include "os/driver.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "vtx.h"

namespace os {
namespace {

std::mutex g_lock;
std::unique_ptr<DriverTransport> g_transport;
std::atomic<bool> g_priority_raised{false};
std::atomic<uint32_t> g_priority_raise_count{0};

// A transport that cannot serve: every open fails, and the reason is said once.
class RefusingTransport : public DriverTransport {
 public:
  RefusingTransport(std::string reason, std::string description, int error)
      : reason_(std::move(reason)), description_(std::move(description)), error_(error) {}
  int Open(const char*) override {
    if (!told_.exchange(true)) fprintf(stderr, "%s\n", reason_.c_str());
    errno = error_;
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
  std::string Description() const override { return description_; }
  bool Simulated() const override { return false; }

 private:
  std::string reason_;
  std::string description_;
  int error_;
  std::atomic<bool> told_{false};
};

std::unique_ptr<DriverTransport> ChooseFromEnvironment() {
  const char* value = getenv("TARROW_DRIVER");
  std::string choice = value ? value : "";
  if (choice == "device") return MakeDeviceTransport();
  if (choice == "sim") return MakeEmbeddedTransport();
  if (choice.rfind("sim:", 0) == 0 && choice.size() > 4) {
    return MakeDaemonTransport(choice.substr(4));
  }
  if (!choice.empty()) {
    return MakeRefusingTransport(
        "TARROW_DRIVER: expected \"device\", \"sim\" or \"sim:SOCKET\", got \"" + choice + "\"",
        "invalid TARROW_DRIVER \"" + choice + "\"", EINVAL);
  }
  return MakeDefaultTransport();
}

}  // namespace

std::unique_ptr<DriverTransport> MakeRefusingTransport(std::string reason, std::string description,
                                                       int error) {
  return std::make_unique<RefusingTransport>(std::move(reason), std::move(description), error);
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
