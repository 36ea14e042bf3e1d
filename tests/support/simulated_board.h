// A fresh simulated machine for every test, reached through the embedded transport.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "os/driver.h"
#include "sim/embedded.h"
#include "sim/machine.h"

namespace vtx::testing {

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
};

}  // namespace vtx::testing
