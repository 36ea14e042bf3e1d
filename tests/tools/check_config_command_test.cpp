// tarrow check-config run as a program: typos found by line, messages once each in line order,
// the optional-default notes and information kept for --verbose, JSON for scripts, exit status.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/program.h"
#include "tests/support/temp_dir.h"

namespace vtx::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class CheckConfigCommand : public ::testing::Test {
 protected:
  // Standard error only: the messages.
  int Check(const std::string& arguments, std::string* errors) {
    return RunCommand(TarrowCommand() + "check-config " + arguments + " 2>&1 >/dev/null", errors);
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  TempDir dir_{"check_config"};
};

TEST_F(CheckConfigCommand, FindsEachTypoByItsLine) {
  std::string file = dir_.Write("typo.cfg",
                                "[module.2]\n"             // 1
                                "chanels = 30\n"           // 2
                                "foo_bar = 1\n"            // 3
                                "[module.2/etherent.1]\n"  // 4
                                "dhcp = disabled\n"        // 5
                                "[module.2/port.1]\n"      // 6
                                "port_config = e1_isdn\n"  // 7
                                "[module.3]\n"             // 8
                                "port_config = analog\n"   // 9: a key of another section
                                "[modlue.4]\n");           // 10
  std::string out;
  EXPECT_EQ(Check(file, &out), 1);
  const std::string f = file + ":";
  EXPECT_THAT(out, HasSubstr(f + "2: error: unknown key 'chanels' in section [module.2]; did you "
                                 "mean 'channels'?\n"));
  EXPECT_THAT(out, HasSubstr(f + "3: error: unknown key 'foo_bar' in section [module.2]\n"));
  EXPECT_THAT(out, HasSubstr(f + "4: error: unknown section [module.2/etherent.1]; did you mean "
                                 "[module.2/ethernet.1]?"));
  EXPECT_THAT(out, HasSubstr(f + "9: warning: key 'port_config' is not used in section "
                                 "[module.3]\n"));
  // The reading's own warning about the top-level section gives way to the error.
  EXPECT_THAT(out, HasSubstr(f + "10: error: unknown section [modlue.4]; did you mean "
                                 "[module.4]?"));
  EXPECT_THAT(out, Not(HasSubstr("unrecognized top level element")));
  EXPECT_THAT(out, Not(HasSubstr("dhcp")));  // an unknown section is one problem

  // Every line names the file and a line in order, once each.
  int last = 0;
  std::vector<std::string> lines = Lines(out);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::smatch m;
    ASSERT_TRUE(
        std::regex_search(lines[i], m, std::regex("^" + file + ":([0-9]+): (error|warning): ")))
        << lines[i];
    EXPECT_GE(std::stoi(m[1]), last) << lines[i];
    last = std::stoi(m[1]);
    if (i) {
      EXPECT_NE(lines[i], lines[i - 1]);
    }
  }
}

TEST_F(CheckConfigCommand, OptionalDefaultsAndInformationOnlyWhenVerbose) {
  std::string empty = dir_.Write("empty.cfg", "");
  std::string out;
  EXPECT_EQ(Check(empty, &out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(Check("--verbose " + empty, &out), 0);
  EXPECT_THAT(Lines(out), ::testing::SizeIs(6));
  EXPECT_THAT(out, HasSubstr(empty + ": warning: section [/] in '" + empty +
                             "' => The setting "
                             "for the enumerated optional parameter 'l3l4_trace' is missing."));
  EXPECT_EQ(Check("--strict --verbose " + empty, &out), 1);

  std::string range = dir_.Write("range.cfg", "max_trace_files = 5000\n[module.80]\n");
  EXPECT_EQ(Check(range, &out), 0);
  EXPECT_THAT(Lines(out), ElementsAre(HasSubstr(range + ":1: warning: section [/] in '"),
                                      HasSubstr(range + ":2: warning: section [module.80] is "
                                                        "never started")));
  EXPECT_EQ(Check("--strict " + range, &out), 1);
  EXPECT_EQ(Check("-q --strict " + range, &out), 1);
  EXPECT_EQ(out, "");
}

TEST_F(CheckConfigCommand, ExplainsMissingFilesAndLibraries) {
  std::string out;
  EXPECT_EQ(Check(dir_.Path("absent.cfg"), &out), 1);
  EXPECT_EQ(out, dir_.Path("absent.cfg") + ": error: The file '" + dir_.Path("absent.cfg") +
                     "' does not exist.\n");
  std::string file = dir_.Write("lib.cfg", "[host_module.1]\nmodule_library = /no/libnone.so\n");
  EXPECT_EQ(Check(file, &out), 1);
  EXPECT_THAT(out, HasSubstr(file + ":2: error: host_module.1 path /no/libnone.so failed to load. "
                                    "(/no/libnone.so: cannot open shared object file"));
  EXPECT_THAT(out, Not(HasSubstr(file + ": warning")));  // every message has its line
  EXPECT_EQ(Check("", &out), 2);
}

TEST_F(CheckConfigCommand, JsonListsEveryMessageAsAnObject) {
  std::string file = dir_.Write("json.cfg", "[module.2]\nchanels = 3\n[module.80]\n");
  std::string out;
  EXPECT_EQ(RunCommand(TarrowCommand() + "check-config --json " + file + " 2>&1", &out), 1);
  const nlohmann::json report = nlohmann::json::parse(out);
  EXPECT_EQ(report["file"], file);
  EXPECT_EQ(report["messages"][0],
            nlohmann::json({{"line", 2},
                            {"severity", "error"},
                            {"message",
                             "unknown key 'chanels' in section [module.2]; did you mean "
                             "'channels'?"}}));
  EXPECT_EQ(report["messages"][1]["line"], 3);
  EXPECT_EQ(report["messages"][1]["severity"], "warning");
  EXPECT_EQ(RunCommand(TarrowCommand() + "check-config --json " + dir_.Write("e.cfg", "") + " 2>&1",
                       &out),
            0);
  EXPECT_EQ(nlohmann::json::parse(out)["messages"], nlohmann::json::array());
}

}  // namespace
// Checking a file must not run code that someone else could have put where it points: a library
// in a folder anyone may write is not loaded (its start-up code would run), and says why.
TEST_F(CheckConfigCommand, LoadsOnlyLibrariesNoOneElseCanChange) {
  const std::string marker = dir_.Path("marker");
  setenv("TARROW_TEST_MARKER", marker.c_str(), 1);
  auto place = [&](const std::string& folder, mode_t mode) {
    const std::string path = dir_.Path(folder);
    mkdir(path.c_str(), 0755);
    std::filesystem::copy_file(STARTUP_MARKER_LIBRARY, path + "/libmark.so");
    chmod(path.c_str(), mode);
    return dir_.Write(folder + ".cfg", "[host_module.1]\nmodule_library = " + path +
                                           "/libmark.so\n[host_module.1/parameters]\nbogus = 1\n");
  };
  const std::string open_file = place("open", 0777);
  const std::string kept_file = place("kept", 0755);

  std::string out;
  EXPECT_EQ(Check(open_file, &out), 0) << out;
  EXPECT_THAT(out, HasSubstr(open_file + ":2: warning: host_module.1 path " + dir_.Path("open") +
                             "/libmark.so not loaded: it could run code someone else put there; "
                             "its keys are not checked. (its folder " +
                             dir_.Path("open") + " is writable by everyone)"));
  EXPECT_THAT(out, Not(HasSubstr("bogus"))) << "keys of a library not loaded are not judged";
  EXPECT_FALSE(std::filesystem::exists(marker)) << "the untrusted library's code ran";

  EXPECT_EQ(Check("--no-libraries " + kept_file, &out), 0) << out;
  EXPECT_THAT(out, Not(HasSubstr("not loaded")));
  EXPECT_THAT(out, Not(HasSubstr("bogus")));
  EXPECT_FALSE(std::filesystem::exists(marker));

  // A library no one else can change is loaded: the check would see its start-up run.
  Check(kept_file, &out);
  EXPECT_TRUE(std::filesystem::exists(marker)) << out;
  unsetenv("TARROW_TEST_MARKER");
}

}  // namespace vtx::testing
