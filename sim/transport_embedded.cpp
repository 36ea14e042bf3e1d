// The simulator inside this process: requests are marshalled exactly as for the daemon and
// served by the embedded machine.
#include <atomic>
#include <cerrno>
#include <cstdio>

#include "os/driver.h"
#include "os/thread_scratch.h"
#include "sim/embedded.h"
#include "sim/wire.h"

namespace os {
namespace {

class EmbeddedTransport : public DriverTransport {
 public:
  int Open(const char* device_name) override {
    // A machine file that was refused leaves no machine to open; its problems are said once.
    const std::string& refused = sim::EmbeddedMachineError();
    if (!refused.empty()) {
      if (!told_.exchange(true)) fprintf(stderr, "TARROW_SIM_BOARD refused:\n%s", refused.c_str());
      errno = ENODEV;
      return -1;
    }
    int error = 0;
    int handle = sim::EmbeddedMachine().Open(device_name, error);
    errno = error;
    return handle;
  }
  int Close(int handle) override {
    sim::EmbeddedMachine().Close(handle);
    return 0;
  }
  int Request(int handle, uint32_t subcommand, void* block) override {
    // Buffers per thread: the send and receive paths allocate nothing once warmed up.
    OS_THREAD_SCRATCH(sim::wire::Bytes, request);
    OS_THREAD_SCRATCH(sim::wire::Bytes, response);
    sim::wire::EncodeRequest(subcommand, block, request);
    sim::EmbeddedMachine().Serve(handle, request.data(), request.size(), response);
    int result = sim::wire::DecodeResponse(subcommand, response, block);
    errno = result;
    return result > 0 ? -1 : 0;
  }
  std::string Description() const override { return "embedded simulator"; }
  bool Simulated() const override { return true; }
  std::string SettingProblem() const override {
    const std::string& refused = sim::EmbeddedMachineError();
    return refused.empty() ? "" : "TARROW_SIM_BOARD refused:\n" + refused;
  }

 private:
  std::atomic<bool> told_{false};
};

}  // namespace

std::unique_ptr<DriverTransport> MakeEmbeddedTransport() {
  return std::make_unique<EmbeddedTransport>();
}

}  // namespace os
