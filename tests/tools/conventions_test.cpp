// The conventions every tarrow command keeps, run as a program: help, getopt-style option errors,
// module numbers, the environment checked before anything is done, no phantom boards, one error
// per cause and writes that fail.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "os/driver.h"
#include "sim/daemon.h"
#include "sim/machine.h"
#include "tests/support/program.h"
#include "tests/support/temp_dir.h"

namespace vtx::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using Json = nlohmann::json;

class Conventions : public ::testing::Test {
 protected:
  // Runs tarrow with `arguments` under `environment` (the built-in simulated machine unless
  // said otherwise): its exit status, standard output in `out`, standard error in err_.
  int Run(const std::string& arguments, std::string* out,
          const std::string& environment = "TARROW_DRIVER=sim") {
    const int status = RunCommand("env -u TARROW_SIM_BOARD -u TARROW_TRACE " + environment + " " +
                                      TarrowCommand() + arguments + " 2>" + dir_.Path("err"),
                                  out);
    err_ = ReadFileBytes(dir_.Path("err"));
    return status;
  }
  TempDir dir_{"conventions"};
  std::string err_;
};

TEST_F(Conventions, HelpOfTheProgramAndOfEveryCommand) {
  std::string out;
  EXPECT_EQ(Run("", &out), 2);
  EXPECT_THAT(err_, StartsWith("usage: tarrow COMMAND"));
  std::string help;
  ASSERT_EQ(Run("-h", &help), 0);
  EXPECT_EQ(Run("help", &out), 0);
  EXPECT_EQ(out, help);
  const std::map<std::string, std::string> commands = TarrowCommandHelp();
  ASSERT_GT(commands.size(), 20u);
  for (const auto& [command, usage] : commands) {
    ASSERT_EQ(Run(command + " --help", &out), 0) << command << ": " << err_;
    EXPECT_THAT(out, StartsWith("usage: tarrow " + command)) << command;
    EXPECT_THAT(out, HasSubstr("\n  -h, --help ")) << command;
    EXPECT_THAT(out, HasSubstr("\nExample:\n  tarrow " + command)) << command;
    std::string same;
    EXPECT_EQ(Run("help " + command, &same), 0);
    EXPECT_EQ(same, out) << command;
    EXPECT_EQ(Run(command + " 2 -h", &same), 0);
    EXPECT_EQ(same, out) << command;
  }
  EXPECT_EQ(Run("frobnicate", &out), 2);
  EXPECT_THAT(err_, HasSubstr("tarrow: unknown command \"frobnicate\""));

  ASSERT_EQ(Run("--version", &out), 0) << err_;
  EXPECT_EQ(out, "tarrow " TARROW_VERSION
                 " (library 5.0 build 17, interface 20)\n"
                 "driver 5 build 17, interface 30 (embedded simulator)\n");
  ASSERT_EQ(Run("--version", &out, "TARROW_DRIVER=sim:" + dir_.Path("none.sock")), 0);
  EXPECT_THAT(out, HasSubstr("driver: not reachable (simulator daemon at "));
}

TEST_F(Conventions, OptionErrorsAreTheGetoptOnesAndNothingRuns) {
  std::string out;
  const std::string try_help = "Try 'tarrow net --help' for more information.\n";
  EXPECT_EQ(Run("net 2 --bogus", &out), 2);
  EXPECT_EQ(err_, "tarrow net: unrecognized option '--bogus'\n" + try_help);
  EXPECT_EQ(out, "");
  EXPECT_EQ(Run("net 2 --address", &out), 2);
  EXPECT_EQ(err_, "tarrow net: option '--address' requires an argument\n" + try_help);
  EXPECT_EQ(Run("modules --json=yes", &out), 2);
  EXPECT_THAT(err_, StartsWith("tarrow modules: option '--json' doesn't allow an argument\n"));
  EXPECT_EQ(Run("connect 2 3 --ip udptl --t38-foo 1", &out), 2);
  EXPECT_THAT(err_, StartsWith("tarrow connect: unrecognized option '--t38-foo'\n"));
  // A negative number is a value, not an option.
  EXPECT_EQ(Run("board 2 --temperature-threshold -5 --json", &out), 0) << err_;
  // An option's value is checked, with the option named, before anything is sent.
  EXPECT_EQ(Run("net 2 --netmask 255.0.255.0", &out), 2);
  EXPECT_THAT(err_, HasSubstr("expected a contiguous netmask A.B.C.D for --netmask, got "
                              "\"255.0.255.0\""));
  EXPECT_EQ(Run("connect 2 0:1:0:1 0:1:0:1", &out), 2);
  EXPECT_THAT(err_, HasSubstr("a slot cannot be connected to itself"));
}

TEST_F(Conventions, ModuleNumbersAreDecimalOrHexadecimalWithPrefix) {
  std::string out;
  ASSERT_EQ(Run("board 02 --json", &out), 0) << err_;
  EXPECT_EQ(Json::parse(out)["module"], 2);
  ASSERT_EQ(Run("board 0x2 --json", &out), 0) << err_;
  EXPECT_EQ(Json::parse(out)["module"], 2);
  EXPECT_EQ(Run("board 010", &out), 1) << "ten, never octal eight";
  EXPECT_THAT(err_, HasSubstr("module 10: "));
  for (const char* bad : {"2x", "-2", "256", "0x", "0x0x2", " 2"}) {
    EXPECT_EQ(Run(std::string("board '") + bad + "'", &out), 2) << bad;
    EXPECT_THAT(err_, HasSubstr("expected a module number from 0 to 255")) << bad;
  }
  ASSERT_EQ(Run("modules", &out), 0) << err_;
  EXPECT_THAT(out, HasSubstr("\n2      yes "));
  ASSERT_EQ(Run("lookup 'corbel PCI bus 4, device 1, function 0'", &out), 0) << err_;
  EXPECT_EQ(out, "3\n");
}

TEST_F(Conventions, TheEnvironmentIsCheckedBeforeAnythingIsDone) {
  std::string out;
  EXPECT_EQ(Run("modules", &out, "TARROW_DRIVER=floppy"), 2);
  EXPECT_EQ(err_,
            "tarrow modules: TARROW_DRIVER: expected \"device\", \"sim\" or \"sim:SOCKET\", got "
            "\"floppy\"\n");
  EXPECT_EQ(Run("modules", &out, "TARROW_DRIVER=sim TARROW_TRACE=lots"), 2);
  EXPECT_THAT(err_, StartsWith("tarrow modules: TARROW_TRACE: expected a trace mask"));
  const std::string missing = dir_.Path("missing.cfg");
  EXPECT_EQ(Run("modules --json", &out, "TARROW_DRIVER=sim TARROW_SIM_BOARD=" + missing), 2);
  EXPECT_THAT(err_, StartsWith("tarrow modules: TARROW_SIM_BOARD refused:\n"));
  EXPECT_THAT(err_, HasSubstr(missing));
  EXPECT_EQ(Json::parse(out)["error"]["message"].get<std::string>().rfind("TARROW_SIM_BOARD", 0),
            0u);
  // A daemon that is not there: the socket and the system's error, once.
  const std::string socket = dir_.Path("none.sock");
  EXPECT_EQ(Run("ports 2", &out, "TARROW_DRIVER=sim:" + socket), 1);
  EXPECT_EQ(err_, "tarrow ports: simulator daemon at " + socket + ": No such file or directory\n");
}

// With TARROW_DRIVER unset a host without device or daemon has no board: one error, exit 1, and
// never a simulated machine. A daemon on the default socket is found.
TEST_F(Conventions, SimulationIsOptIn) {
  struct stat node {};
  if (stat(VTX_DRIVER_DEVICE, &node) == 0) GTEST_SKIP() << "this host has a device node";
  const std::string environment = "-u TARROW_DRIVER XDG_RUNTIME_DIR=" + dir_.path();
  setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
  const std::string socket = os::DefaultDaemonSocket();
  unsetenv("XDG_RUNTIME_DIR");
  std::string out;
  EXPECT_EQ(Run("modules", &out, environment), 1);
  EXPECT_EQ(out, "");
  const std::string message = "no board: " VTX_DRIVER_DEVICE
                              ": No such file or directory; no simulator daemon at " +
                              socket + "; set TARROW_DRIVER=sim for the built-in simulated machine";
  EXPECT_EQ(err_, "tarrow modules: " + message + "\n");
  EXPECT_EQ(Run("versions 2 --json", &out, environment), 1);
  EXPECT_EQ(Json::parse(out),
            Json({{"simulated", false},
                  {"error", {{"message", message}, {"status", 0}, {"line_status", 0}}}}));

  auto machine = sim::Machine::Default();
  sim::Daemon daemon(*machine, socket);
  std::string error;
  ASSERT_TRUE(daemon.Start(error)) << error;
  ASSERT_EQ(Run("modules --json", &out, environment), 0) << err_;
  EXPECT_EQ(Json::parse(out)["simulated"], true);
  EXPECT_EQ(Json::parse(out)["modules"].size(), 2u);
  EXPECT_EQ(err_, "tarrow: simulated board (simulator daemon at " + socket + ")\n");
}

TEST_F(Conventions, FailedWritesExitOne) {
  std::string out;
  EXPECT_EQ(Run("modules --json >/dev/full", &out), 1);
  EXPECT_THAT(err_, HasSubstr("tarrow modules: standard output: No space left on device\n"));
  EXPECT_EQ(Run("--help >/dev/full", &out), 1);
}

}  // namespace
}  // namespace vtx::testing
