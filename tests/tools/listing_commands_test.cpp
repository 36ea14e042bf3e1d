// The listing commands of tarrow, run as programs: on every module of every shipped machine file
// each lists all that the module has (lists longer than one packet the host receives come in
// several events), and eight of them at once through one daemon all succeed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "call_sw.h"
#include "sim/machine.h"
#include "sim/machine_file.h"
#include "tests/support/program.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/served_machine.h"
#include "vtx.h"

namespace vtx::testing {
namespace {

using Json = nlohmann::json;

constexpr uint32_t kBusTypeVirtual = 3;
const char* const kListings[] = {"versions", "features", "ports", "connections", "net"};

TEST(ListingCommands, EveryOneWorksOnEveryModuleOfEveryShippedMachine) {
  size_t files = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(TARROW_SOURCE_DIR) + "/sim/boards")) {
    const std::string file = entry.path().string();
    sim::Machine machine;
    std::string error;
    ASSERT_TRUE(sim::LoadMachineFile(file, machine, error)) << error;
    ++files;
    const std::string prefix = "TARROW_DRIVER=sim TARROW_SIM_BOARD=" + file + " " + TarrowCommand();
    for (unsigned number = 2; number < 256; ++number) {
      sim::Module* module = machine.FindModule(static_cast<uint8_t>(number));
      if (module == nullptr || module->info().exists == 0) continue;
      const std::string at = file + " module " + std::to_string(number);
      std::string out;
      for (const char* listing : kListings) {
        EXPECT_EQ(RunCommand(prefix + listing + " " + std::to_string(number) + " 2>&1", &out), 0)
            << at << ": " << listing << ": " << out;
      }
      ASSERT_EQ(
          RunCommand(prefix + "features --json " + std::to_string(number) + " 2>/dev/null", &out),
          0)
          << at;
      const Json features = Json::parse(out);
      for (const Json& feature : features["features"]) {
        if (feature["key"] == "Channels") {
          EXPECT_EQ(feature["value"], module->info().num_channels) << at;
        }
      }
      ASSERT_EQ(
          RunCommand(prefix + "ports --json " + std::to_string(number) + " 2>/dev/null", &out), 0)
          << at;
      const Json ports = Json::parse(out);
      EXPECT_EQ(ports["hardware"].size(), module->telephony().hardware.size()) << at;
      // A module on a bus of its own with a switch lists every switch port; a virtual module
      // offers no call switching to the lines of the host.
      const bool switching = module->facilities().count(MILL_FACILITY_CALL_SW) != 0 &&
                             module->info().bus_type != kBusTypeVirtual;
      if (switching) {
        EXPECT_EQ(ports["switch"].size(), module->telephony().switch_ports.size()) << at;
      } else {
        EXPECT_TRUE(ports["switch"].is_null()) << at;
      }
    }
  }
  EXPECT_GE(files, 3u);
}

class ListingAtOnce : public ServedMachineTest {};

// Administrators list at the same time: each run finds a line of its own (or waits for one),
// none fails because another holds one.
TEST_F(ListingAtOnce, EightRunsThroughOneDaemonAllSucceed) {
  TempDir dir("listing");
  std::vector<FILE*> runs;
  for (int i = 0; i < 8; ++i) {
    const std::string command = "TARROW_DRIVER=sim:" + socket_path_ + " " + TarrowCommand() +
                                kListings[i % 5] + " 2 2>" + dir.Path(std::to_string(i)) +
                                " >/dev/null";
    runs.push_back(popen(command.c_str(), "r"));
    ASSERT_NE(runs.back(), nullptr);
  }
  for (size_t i = 0; i < runs.size(); ++i) {
    const int status = pclose(runs[i]);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << kListings[i % 5] << ": " << ReadFileBytes(dir.Path(std::to_string(i)));
  }
}

}  // namespace
}  // namespace vtx::testing
