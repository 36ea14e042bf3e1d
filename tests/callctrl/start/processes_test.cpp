// What happens between processes: the init lock and the master and slave of one module.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "callctrl/init_lock.h"
#include "os/driver.h"
#include "sim/daemon.h"
#include "tests/callctrl/start/start_fixture.h"

namespace vtx::callctrl::testing {
namespace {

// One byte through a pipe: the processes' only way to wait for each other.
struct Signal {
  int fds[2] = {-1, -1};
  Signal() { EXPECT_EQ(pipe(fds), 0); }
  ~Signal() {
    close(fds[0]);
    close(fds[1]);
  }
  void Raise(char value = 'x') const { EXPECT_EQ(write(fds[1], &value, 1), 1); }
  char Wait() const {
    char value = 0;
    return read(fds[0], &value, 1) == 1 ? value : 0;
  }
};

int ExitStatus(pid_t child) {
  int status = 0;
  if (waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST_F(StartTest, AHolderThatDiesDoesNotBlockTheInitLock) {
  Configure("[module.2]\n");
  ASSERT_EQ(Init(), 1);
  Signal taken;
  const pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    if (TakeInitLock()) taken.Raise();
    pause();
    _exit(0);
  }
  ASSERT_EQ(taken.Wait(), 'x');
  EXPECT_EQ(Init(), 1) << "a started process does not wait for the lock";
  ASSERT_EQ(kill(holder, SIGKILL), 0);
  EXPECT_EQ(ExitStatus(holder), 128 + SIGKILL);
  CallCtrlShutdown();  // takes the lock the dead process held
  EXPECT_FALSE(CallCtrlRunning());
  EXPECT_EQ(Init(), 1) << "and a new start takes it too";
  EXPECT_TRUE(CallCtrlRunning());
}

// Two processes on one daemon: this test's process and a child forked before any thread runs.
class TwoProcessesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    CallCtrlShutdown();
    os::SetDriverForTesting(nullptr);
    if (daemon_ != nullptr) daemon_->Stop();
    trace::cc::SetTraceFile(nullptr);
  }
  std::string Write(const std::string& leaf, const std::string& text) {
    const std::string path = dir_.Path(leaf);
    std::ofstream(path) << text;
    return path;
  }
  int Start(const std::string& trace) {
    CallCtrlInitRequest request{};
    request.userPreferenceFile = preferences_.c_str();
    request.traceFileGiven = 1;
    request.traceFileName = trace.c_str();
    return CallCtrlInit(nullptr, &request);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  vtx::testing::TempDir dir_{"callctrl_processes"};
  std::string socket_ = dir_.Path("simd.sock");
  std::string preferences_;
  std::unique_ptr<sim::Machine> machine_;
  std::unique_ptr<sim::Daemon> daemon_;
};

TEST_F(TwoProcessesTest, TheSecondProcessBecomesSlaveOfTheFirst) {
  preferences_ =
      Write("cvcall.cfg",
            "call_control = " + Write("callctrl.cfg", std::string(kVerboseTrace) + "[module.0]\n") +
                "\n");
  const std::string slave_trace = dir_.Path("slave.log");
  Signal go, started, done;
  const pid_t slave = fork();
  ASSERT_GE(slave, 0);
  if (slave == 0) {
    go.Wait();
    os::SetDriverForTesting(os::MakeDaemonTransport(socket_));
    const bool ok = Start(slave_trace) == 1 && CallCtrlRunning();
    started.Raise(ok ? 'S' : 'F');
    done.Wait();
    CallCtrlShutdown();
    os::SetDriverForTesting(nullptr);
    _exit(ok ? 0 : 1);
  }
  machine_ = sim::Machine::Default();
  daemon_ = std::make_unique<sim::Daemon>(*machine_, socket_);
  std::string error;
  ASSERT_TRUE(daemon_->Start(error)) << error;
  os::SetDriverForTesting(os::MakeDaemonTransport(socket_));
  const std::string master_trace = dir_.Path("master.log");
  ASSERT_EQ(Start(master_trace), 1) << Read(master_trace);
  go.Raise();
  EXPECT_EQ(started.Wait(), 'S');
  done.Raise();
  EXPECT_EQ(ExitStatus(slave), 0);

  const std::string master = Read(master_trace);
  const std::string slave_text = Read(slave_trace);
  EXPECT_EQ(master.find("running in another process"), std::string::npos) << master;
  for (const char* module : {"0x2", "0x3"}) {
    EXPECT_NE(slave_text.find(std::string("Module ") + module + " running in another process."),
              std::string::npos)
        << slave_text;
    EXPECT_NE(slave_text.find(std::string("Board module ") + module + " Initialised OK"),
              std::string::npos);
  }
  EXPECT_EQ(machine_->Names().size(), 2u) << "the names are the master's alone";
  CallCtrlShutdown();
  EXPECT_TRUE(machine_->Names().empty()) << "a stopped master gives its names up";
}

}  // namespace
}  // namespace vtx::callctrl::testing
