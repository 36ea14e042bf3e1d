// tarrow callctrl run twice against one served machine: the first process is every module's
// master, the second its slave, and both stop cleanly on an interrupt.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "sim/daemon.h"
#include "sim/machine.h"
#include "tests/support/program.h"
#include "tests/support/temp_dir.h"

namespace {

using ::testing::HasSubstr;
using vtx::testing::ReadFileBytes;
constexpr int kPolls = 400;  // of 25 ms: ten seconds at most for any one wait
constexpr useconds_t kPollUs = 25000;

class CallCtrlTool : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = sim::Machine::Default();
    daemon_ = std::make_unique<sim::Daemon>(*machine_, dir_.Path("simd.sock"));
    std::string error;
    ASSERT_TRUE(daemon_->Start(error)) << error;
    dir_.Write("callctrl.cfg",
               "internal_trace = basic\ntrace_file = " + dir_.Path("cc.log") + "\n[module.0]\n");
  }
  void TearDown() override {
    for (pid_t pid : running_) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    daemon_.reset();
  }

  // Starts `tarrow callctrl --config CONFIG` with its standard output in the file `output` and
  // its standard error beside it.
  pid_t Start(const std::string& output, const std::string& config, bool status = false) {
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("TARROW_DRIVER", ("sim:" + dir_.Path("simd.sock")).c_str(), 1);
      const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = open((output + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(err, 2);
      const std::string tarrow = std::string(TARROW_BINARY_DIR) + "/bin/tarrow";
      execl(tarrow.c_str(), "tarrow", "callctrl", "--config", config.c_str(),
            status ? "--status" : static_cast<char*>(nullptr), static_cast<char*>(nullptr));
      _exit(127);
    }
    running_.push_back(pid);
    return pid;
  }
  static bool WaitFor(const std::string& path, const std::string& text) {
    for (int i = 0; i < kPolls; ++i) {
      if (ReadFileBytes(path).find(text) != std::string::npos) return true;
      usleep(kPollUs);
    }
    return false;
  }
  // Interrupts the process and waits (bounded) for its exit status; -1 when it did not end.
  int Interrupt(pid_t pid) {
    kill(pid, SIGINT);
    for (int i = 0; i < kPolls; ++i) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        running_.erase(std::find(running_.begin(), running_.end(), pid));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      usleep(kPollUs);
    }
    return -1;
  }

  vtx::testing::TempDir dir_{"callctrl_tool"};
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<sim::Daemon> daemon_;
  std::vector<pid_t> running_;
};

TEST_F(CallCtrlTool, OneMasterAndOneSlavePerModuleBothStoppingOnInterrupt) {
  const std::string first = dir_.Path("first.out");
  const std::string second = dir_.Path("second.out");
  const pid_t master = Start(first, dir_.Path("callctrl.cfg"));
  ASSERT_TRUE(WaitFor(first, "Call-control trace")) << ReadFileBytes(first);
  const pid_t slave = Start(second, dir_.Path("callctrl.cfg"));
  ASSERT_TRUE(WaitFor(second, "Call-control trace")) << ReadFileBytes(second);

  EXPECT_THAT(ReadFileBytes(first),
              HasSubstr("Module 0x2 started as master: GANTRY (board type 1), 8 ports"));
  EXPECT_THAT(ReadFileBytes(first),
              HasSubstr("Module 0x3 started as master: CORBEL (board type 2), 4 ports"));
  EXPECT_THAT(ReadFileBytes(second), HasSubstr("Module 0x2 running in another process."));
  EXPECT_THAT(ReadFileBytes(second), HasSubstr("Module 0x3 running in another process."));
  EXPECT_TRUE(WaitFor(first, "Board module 0x3 Initialised OK")) << "the trace is followed";

  EXPECT_EQ(Interrupt(slave), 0);
  EXPECT_EQ(Interrupt(master), 0);
  EXPECT_THAT(ReadFileBytes(first), HasSubstr("Every module stopped."));
  EXPECT_TRUE(machine_->Names().empty()) << "the master gave its modules' names up";
}

TEST_F(CallCtrlTool, AHostModuleStartsThroughItsLibraryAndItsScriptedEventsShow) {
  dir_.Write("host.cfg", "host_module_trace = basic\ntrace_file = " + dir_.Path("host.log") +
                             "\n[host_module.1]\nenabled = true\nmodule_library = libtarrowhm.so\n"
                             "[host_module.1/parameters]\nevent_script = " +
                             dir_.Write("events.txt", "0 call_released 9 16\n") + "\n");
  const std::string output = dir_.Path("host.out");
  const pid_t pid = Start(output, dir_.Path("host.cfg"), true);
  ASSERT_TRUE(WaitFor(output, "event=Event_CIPI_CallReleased(3), hcr=0x9"))
      << ReadFileBytes(output);
  EXPECT_THAT(ReadFileBytes(output),
              HasSubstr("Host module 0x1 started: CIPI version 1.0, Stack vendor "
                        "Corvane Technology, Stack name Tarrow host module, Stack "
                        "version 1.0.0, hm=0x81"));
  EXPECT_THAT(ReadFileBytes(output), HasSubstr("Host module 0x1: queue depth "));
  kill(pid, SIGUSR1);
  ASSERT_TRUE(WaitFor(output, "message blocks 1 (1 free)")) << "the event's block came back";
  EXPECT_EQ(Interrupt(pid), 0);
  EXPECT_THAT(ReadFileBytes(output), HasSubstr("Every module stopped."));
}

TEST_F(CallCtrlTool, AConfigurationThatDoesNotOpenEndsWithItsReason) {
  const std::string output = dir_.Path("absent.out");
  const pid_t pid = Start(output, dir_.Path("absent.cfg"));
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  running_.clear();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  // A configuration named on the command line is checked before anything starts.
  EXPECT_THAT(ReadFileBytes(output + ".err"),
              HasSubstr("tarrow callctrl: --config " + dir_.Path("absent.cfg") +
                        ": No such file or directory"));
}

}  // namespace
