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

// No transport: every open fails with `error`, and the reason is said once.
class NoTransport : public DriverTransport {
 public:
  NoTransport(std::string reason, int error, bool setting)
      : reason_(std::move(reason)), error_(error), setting_(setting) {}
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
  std::string Description() const override { return reason_; }
  bool Simulated() const override { return false; }
  std::string SettingProblem() const override { return setting_ ? reason_ : ""; }

 private:
  std::string reason_;
  int error_;
  bool setting_;  // the settings are wrong, rather than nothing found
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
    return MakeNoTransport(
        "TARROW_DRIVER: expected \"device\", \"sim\" or \"sim:SOCKET\", got \"" + choice + "\"",
        EINVAL, true);
  }
  return MakeDefaultTransport();
}

}  // namespace

std::unique_ptr<DriverTransport> MakeNoTransport(std::string reason, int error, bool setting) {
  return std::make_unique<NoTransport>(std::move(reason), error, setting);
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

std::string DriverSettingProblem() {
  return Driver().SettingProblem();
}

std::string DriverProblem() {
  DriverTransport& driver = Driver();
  if (!driver.SettingProblem().empty()) return driver.SettingProblem();
  if (dynamic_cast<NoTransport*>(&driver) != nullptr) return driver.Description();
  const int handle = driver.Open(VTX_DRIVER_DEVICE);
  if (handle >= 0) {
    driver.Close(handle);
    return "";
  }
  return driver.Description() + ": " + strerror(errno);
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
