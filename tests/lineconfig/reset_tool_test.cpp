// tarrow reset, run as a program on the embedded simulated machine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/program.h"
#include "tests/support/temp_dir.h"

namespace vtx::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class ResetTool : public ::testing::Test {
 protected:
  // Runs tarrow on the built-in simulated machine; standard output (and error, with `errors`).
  int Run(const std::string& arguments, std::string* output, bool errors = false) {
    return RunCommand("env -u TARROW_SIM_BOARD TARROW_DRIVER=sim " + TarrowCommand() + arguments +
                          (errors ? " 2>&1" : " 2>/dev/null"),
                      output);
  }
  std::string Config(const std::string& text) {
    return dir_.Write("cvcall.cfg", "cv_cparm \"" + dir_.Path("none.cfg") + "\"\n" + text);
  }
  TempDir dir_{"resettool"};
};

TEST_F(ResetTool, ChannelResetShowsReportCapabilitiesBitsAndWhatWasSent) {
  std::string out;
  ASSERT_EQ(Run("reset 2 1 --config " + Config("country_code 0x0441\nbad_keyword 1\n"), &out), 0)
      << out;
  EXPECT_THAT(out, HasSubstr("Firmware version info:\n"
                             "  Boot ROM:  5.0.2 Build 17 A1204 2026-03-14\n"
                             "  Ctrl Proc: 5.0.4 Build 31 A2210 2026-02-27\n"));
  EXPECT_THAT(out, HasSubstr("capabilities: 0 13 14 15 16 18 19 "));
  EXPECT_THAT(out, HasSubstr("reset_status: 0x00000030\n"));
  EXPECT_THAT(out, HasSubstr("0x00000010 BAD_CONFIG_LINE"));
  EXPECT_THAT(out, HasSubstr("0x00000020 COUNTRY_FILE"));
  EXPECT_THAT(out, HasSubstr("sent to the firmware:\n"));
  EXPECT_THAT(out, HasSubstr("COUNTRY_CODE"));
  EXPECT_THAT(out, HasSubstr("status: 0/0 "));

  ASSERT_EQ(Run("reset 2 --json --no-init 1 --config " + Config(""), &out), 0) << out;
  const nlohmann::json reset = nlohmann::json::parse(out);
  EXPECT_EQ(reset["firmware_report"], nlohmann::json::array());  // a module line has none
  EXPECT_EQ(reset["reset_status_bits"], nlohmann::json({"COUNTRY_FILE"}));
  for (const auto& sent : reset["sent"]) EXPECT_NE(sent["verb"]["name"], "SET");
  EXPECT_EQ(reset["sent"][0]["facility"], nlohmann::json({{"name", "ADMIN"}, {"number", 1}}));
}

TEST_F(ResetTool, FailuresExitNonZeroWithTheirText) {
  std::string out;
  EXPECT_EQ(Run("reset 2 --no-init 7", &out, true), 2);
  EXPECT_THAT(out, HasSubstr("usage: tarrow reset MODULE [CHANNEL]"));
  EXPECT_EQ(Run("reset 2 --config cvcall.cfg --defaults", &out, true), 2);
  EXPECT_THAT(out, HasSubstr("usage: tarrow reset"));
  EXPECT_EQ(Run("reset 9 1", &out, true), 1);
  EXPECT_THAT(out, HasSubstr("tarrow reset: module 9: attach: "));
  // A file named on the command line must be there; the defaults are no stand-in.
  EXPECT_EQ(Run("reset 2 --config " + dir_.Path("absent.cfg"), &out, true), 1);
  EXPECT_EQ(out,
            "tarrow reset: --config " + dir_.Path("absent.cfg") + ": No such file or directory\n");
}

// A system whose files are in the registry file's folder finds them from any folder (the installed
// tree's test shows it quiet then); what is missing is said once, with the places looked in, and
// not at all when the built-in defaults are asked for.
TEST_F(ResetTool, ToolsFindTheirFilesBesideTheRegistryFromAnyFolder) {
  dir_.Write("registry.reg", "REGEDIT4\n");
  const std::string tool = "cd / && env -u TARROW_SIM_BOARD TARROW_DRIVER=sim CRVN_REGISTRY=" +
                           dir_.Path("registry.reg") + " " + TarrowCommand();
  std::string out;
  ASSERT_EQ(RunCommand(tool + "versions 2 2>&1", &out), 0) << out;
  const std::string notes[] = {
      "tarrow: no user preference file (looked for ./cvcall.cfg and " + dir_.Path("cvcall.cfg") +
          "): built-in defaults\n",
      "tarrow: no country parameter file \"CV_CPARM.CFG\" (looked for ./CV_CPARM.CFG and " +
          dir_.Path("CV_CPARM.CFG") + "): the built-in USA parameters\n"};
  for (const std::string& note : notes) {
    EXPECT_THAT(out, HasSubstr(note));
    EXPECT_EQ(out.find(note), out.rfind(note)) << note;
  }
  EXPECT_THAT(out, Not(HasSubstr("arning")));
  for (const char* quiet : {"versions 2 --defaults", "board 2 --defaults", "ports 2 --defaults",
                            "reset 2 --defaults"}) {
    ASSERT_EQ(RunCommand(tool + quiet + " 2>&1 >/dev/null", &out), 0) << quiet << ": " << out;
    EXPECT_THAT(out, Not(HasSubstr("arning"))) << quiet;
    EXPECT_THAT(out, Not(HasSubstr("tarrow: no "))) << quiet;
  }
}

}  // namespace
}  // namespace vtx::testing
