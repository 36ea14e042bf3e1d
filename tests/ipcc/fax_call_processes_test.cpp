// The example fax call over IP between processes, as an administrator runs it: tarrow-simd
// serves the IP board on a socket of the test's own, tarrow callctrl runs the example
// configuration and answers the call on its IP channel, and tarrow connections, another process,
// sees the call's UDPTL connection on the board while the call lasts and no more afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/program.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/simd_process.h"

namespace vtx::testing {
namespace {

class FaxCallProcesses : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(simd_.Start({"--board", std::string(TARROW_SOURCE_DIR) + "/sim/boards/ip-board.cfg"}),
              -1);
    // The example as shipped, run from a folder that holds its script where it names it.
    namespace fs = std::filesystem;
    const fs::path examples = fs::path(TARROW_SOURCE_DIR) / "callctrl/examples";
    fs::create_directories(dir_.Path("callctrl/examples"));
    for (const char* leaf : {"t38call.cfg", "t38call_events.txt"}) {
      fs::copy_file(examples / leaf, dir_.Path(std::string("callctrl/examples/") + leaf));
    }
  }
  void TearDown() override {
    if (callctrl_ > 0) {
      kill(callctrl_, SIGKILL);
      waitpid(callctrl_, nullptr, 0);
    }
  }
  std::string Driver() const { return "TARROW_DRIVER=sim:" + simd_.socket(); }
  void StartCallCtrl(const std::string& config = "callctrl/examples/t38call.cfg") {
    callctrl_ = fork();
    if (callctrl_ == 0) {
      if (chdir(dir_.path().c_str()) != 0) _exit(127);
      setenv("TARROW_DRIVER", ("sim:" + simd_.socket()).c_str(), 1);
      const int out = open("callctrl.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(out, 2);
      const std::string tarrow = std::string(TARROW_BINARY_DIR) + "/bin/tarrow";
      execl(tarrow.c_str(), "tarrow", "callctrl", "--config", config.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  std::string Output() const { return ReadFileBytes(dir_.Path("callctrl.out")); }
  // Whether tarrow callctrl's output shows `text` within fifteen seconds.
  bool Shows(const std::string& text) const {
    for (int tries = 0; tries < 600; ++tries) {
      if (Output().find(text) != std::string::npos) return true;
      usleep(25000);
    }
    return false;
  }
  std::string Connections() const {
    std::string output;
    EXPECT_EQ(RunCommand(Driver() + " " + TarrowCommand() + "connections 2 2>&1", &output), 0)
        << output;
    return output;
  }

  TempDir dir_{"fax_call_processes"};
  SimdProcess simd_{dir_};
  pid_t callctrl_ = -1;
};

TEST_F(FaxCallProcesses, TheExampleCallIsAnsweredConnectedOnTheBoardAndReleased) {
  StartCallCtrl();
  ASSERT_TRUE(Shows("UDPTL connection made: hm=0x81, hcr=0x1")) << Output();
  const std::string during = Connections();
  EXPECT_NE(during.find("-> udptl unit 0 type 0x0 local 198.51.100.2:56000 remote "
                        "198.51.100.7:40000"),
            std::string::npos)
      << during;

  ASSERT_TRUE(Shows("[2,0] UDPTL connection released: hm=0x81, hcr=0x1")) << Output();
  const std::string after = Connections();
  EXPECT_EQ(after.find("udptl"), std::string::npos) << after;

  kill(callctrl_, SIGINT);
  const int status = WaitFor(callctrl_, 10000);
  callctrl_ = -1;
  ASSERT_TRUE(WIFEXITED(status)) << Output();
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const std::string output = Output();
  for (const char* step : {
           "IP channel 0 of module 0x2: call from 1000 to 2000 offered, answering",
           "[2,0] Call offered: hm=0x81, hcr=0x1, calling=1000, called=2000",
           "[2,0] Call answered by the application: hm=0x81, hcr=0x1",
           "[2,0] T.38 parameters settled: hm=0x81, hcr=0x1, t38_version=0,t38_max_bit_rate=3,",
           "[2,0] Call released: hm=0x81, hcr=0x1, cause=16",
           "IP channel 0 of module 0x2: call released, cause 16",
           "Every module stopped.",
       }) {
    EXPECT_NE(output.find(step), std::string::npos) << step << "\n" << output;
  }
  EXPECT_EQ(simd_.Stop(), 0) << simd_.Log();
}

TEST_F(FaxCallProcesses, TheChannelsOfEveryHostCcEntryOfTheModuleAreAnswered) {
  // The calls come once tarrow callctrl has its lines on the channels, as in the example.
  std::ofstream(dir_.Path("calls.txt")) << "1000 call_offered 1 1000 2000\n"
                                           "0 call_offered 2 1001 2000\n";
  std::ofstream(dir_.Path("two_entries.cfg"))
      << "host_module_trace = basic\ntrace_file = callctrl.log\n[module.2]\nset_api = vtx\n"
         "[module.2/host_cc.1]\nhost_module = 1\nnumber_of_channels = 1\n"
         "[module.2/host_cc.2]\nhost_module = 1\nnumber_of_channels = 1\n"
         "[host_module.1]\nenabled = true\nmodule_library = libtarrowhm.so\n"
         "[host_module.1/parameters]\nsip_port = 5060\nevent_script = calls.txt\n";
  StartCallCtrl("two_entries.cfg");
  ASSERT_TRUE(Shows("[2,1] Call answered by the application: hm=0x81, hcr=0x2")) << Output();
  const std::string output = Output();
  EXPECT_NE(output.find("IP channel 1 of module 0x2: call from 1001 to 2000 offered, answering"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("[2,0] Call answered by the application: hm=0x81, hcr=0x1"),
            std::string::npos);
}

}  // namespace
}  // namespace vtx::testing
