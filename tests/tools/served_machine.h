// Running the tarrow program of this build against a simulated machine that the test serves as
// a daemon, so that what one run changes the next run sees.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "sim/daemon.h"
#include "sim/machine.h"
#include "tests/support/program.h"

namespace vtx::testing {

class ServedMachineTest : public ::testing::Test {
 protected:
  // What a test makes of module 2 before the daemon serves it.
  virtual void Prepare(sim::Module&) {}

  void SetUp() override {
    machine_ = sim::Machine::Default();
    Prepare(board());
    const std::string base = "/tmp/tarrow-served-" + std::to_string(getpid());
    socket_path_ = base + ".sock";
    stderr_path_ = base + ".err";
    daemon_ = std::make_unique<sim::Daemon>(*machine_, socket_path_);
    std::string error;
    ASSERT_TRUE(daemon_->Start(error)) << error;
  }
  void TearDown() override {
    daemon_.reset();
    unlink(stderr_path_.c_str());
  }

  // Runs tarrow with `arguments` on the served machine, under `wrapper` (a command that runs
  // the program it is given) when one is named: its exit status, standard output in `out` and
  // standard error in `err_`.
  int Run(const std::string& arguments, std::string* out, const std::string& wrapper = "") {
    const int status = RunCommand("TARROW_DRIVER=sim:" + socket_path_ + " " + wrapper + " " +
                                      TarrowCommand() + arguments + " 2>" + stderr_path_,
                                  out);
    err_ = ReadFileBytes(stderr_path_);
    return status;
  }
  sim::Module& board() { return *machine_->FindModule(2); }
  // Reads or changes module 2 while the daemon is stopped: no client sees it half-made, and the
  // test sees all that the daemon's threads did.
  template <typename Change>
  void WhileStopped(Change change) {
    daemon_.reset();
    change(board());
    daemon_ = std::make_unique<sim::Daemon>(*machine_, socket_path_);
    std::string error;
    ASSERT_TRUE(daemon_->Start(error)) << error;
  }

  std::unique_ptr<sim::Machine> machine_;
  std::string socket_path_, stderr_path_, err_;
  std::unique_ptr<sim::Daemon> daemon_;
};

}  // namespace vtx::testing
