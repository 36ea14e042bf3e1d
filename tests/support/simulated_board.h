// A fresh simulated machine for every test, reached through the embedded transport.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "os/driver.h"
#include "sim/embedded.h"
#include "sim/machine.h"
#include "sim/module.h"

namespace vtx::testing {

constexpr uint32_t kAnyVerb = 0xFFFFFFFF;

// The commands `module` received of `facility`, `verb` and `code`, oldest first; the kAny values
// match every one.
inline std::vector<sim::FwCommand> Received(const sim::Module& module, uint32_t facility,
                                            uint32_t verb = kAnyVerb,
                                            uint32_t code = sim::kAnyCode) {
  std::vector<sim::FwCommand> found;
  for (const sim::FwCommand& command : module.CommandLog()) {
    if ((facility == sim::kAnyFacility || command.facility == facility) &&
        (verb == kAnyVerb || command.verb == verb) &&
        (code == sim::kAnyCode || command.code == code)) {
      found.push_back(command);
    }
  }
  return found;
}

class SimulatedBoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::ReplaceEmbeddedMachine(sim::Machine::Default());
    os::SetDriverForTesting(os::MakeEmbeddedTransport());
    CV_API_SET_VER();
  }
  void TearDown() override {
    os::SetDriverForTesting(nullptr);
    sim::ReplaceEmbeddedMachine(nullptr);
  }
  sim::Machine& machine() { return sim::EmbeddedMachine(); }
  // A session with module `module` itself (`kind` 1) or with one of its channels (2), addressed
  // to `facility`.
  static VtxLine* AttachSession(uint8_t kind, uint8_t module, uint8_t facility = 0) {
    VtxLineArgs args{};
    args.dest_addr[0] = facility;
    args.dest_addr[1] = kind;
    args.dest_addr[2] = module;
    return VtxSessionAttach(&args);
  }
};

}  // namespace vtx::testing
