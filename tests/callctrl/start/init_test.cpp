#include <filesystem>

#include "callctrl/config_lookup.h"
#include "tests/callctrl/start/start_fixture.h"
#include "tests/support/scoped_env.h"

namespace vtx::callctrl::testing {
namespace {

TEST_F(StartTest, AFileThatDoesNotOpenOrConfiguresNothingFails) {
  preferences_ = Write("cvcall.cfg", "call_control = " + dir_.Path("absent.cfg") + "\n");
  EXPECT_EQ(Init(), -2);
  EXPECT_EQ(request_.status, CV_STATUS_ERROR);
  EXPECT_EQ(request_.errorCode, APIERR_FILEIO);

  Configure("trace_file =\n");
  EXPECT_EQ(Init(), -4);
  EXPECT_EQ(request_.status, CV_STATUS_ERROR);
  EXPECT_EQ(request_.errorCode, APIERR_NOTCONNECTED);
  EXPECT_TRUE(Traced("No valid configuration found. Check call_control configuration file " +
                     dir_.Path("callctrl.cfg")))
      << Trace();
  EXPECT_FALSE(CallCtrlRunning());
}

TEST_F(StartTest, TheUserPreferenceFileNamesTheConfigurationOrDefaultsToCallctrlCfg) {
  char name[kConfigPathSize];
  EXPECT_STREQ(GetCallCtrlConfigFile(dir_.Path("absent.cfg").c_str(), name), "callctrl.cfg");
  const std::string empty = Write("empty.cfg", "call_control =\n");
  EXPECT_STREQ(GetCallCtrlConfigFile(empty.c_str(), name), "callctrl.cfg");
  const std::string other = Write("other.cfg", "country = usa\n");
  EXPECT_STREQ(GetCallCtrlConfigFile(other.c_str(), name), "callctrl.cfg");
  const std::string named = Write("named.cfg", "call_control = /etc/site.cfg\n");
  EXPECT_STREQ(GetCallCtrlConfigFile(named.c_str(), name), "/etc/site.cfg");

  // The default name is taken from the process's current directory.
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  Write("callctrl.cfg", std::string(kVerboseTrace) + "[module.3]\n");
  ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  preferences_ = dir_.Path("absent.cfg");
  const int result = Init();
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(Traced("Board module 0x3 Initialised OK")) << Trace();
}

// A relative name that the current folder does not hold: beside the user preference file, else in
// the folder of the installed configuration files; as named when neither holds it.
TEST_F(StartTest, ARelativeNameIsFoundBesideThePreferencesOrInTheConfigurationFolder) {
  for (const char* folder : {"prefs", "etc"}) {
    ASSERT_TRUE(std::filesystem::create_directory(dir_.Path(folder)));
  }
  vtx::testing::ScopedEnv registry("CRVN_REGISTRY", dir_.Path("etc/registry.reg"));
  const std::string module = std::string(kVerboseTrace) + "[module.3]\n";
  char name[kConfigPathSize];
  preferences_ = Write("prefs/cvcall.cfg", "call_control = site.cfg\n");
  EXPECT_STREQ(GetCallCtrlConfigFile(preferences_.c_str(), name), "site.cfg");
  Write("etc/site.cfg", module);
  EXPECT_STREQ(GetCallCtrlConfigFile(preferences_.c_str(), name),
               dir_.Path("etc/site.cfg").c_str());
  Write("prefs/site.cfg", module);
  EXPECT_STREQ(GetCallCtrlConfigFile(preferences_.c_str(), name),
               dir_.Path("prefs/site.cfg").c_str());
  Write("etc/callctrl.cfg", module);
  EXPECT_STREQ(GetCallCtrlConfigFile(dir_.Path("absent.cfg").c_str(), name),
               dir_.Path("etc/callctrl.cfg").c_str());

  // The file used is said at the basic level of the API category.
  trace::cc::SetCategory(trace::cc::kApiTrace, trace::cc::kLevelBasic, trace::cc::kToFile);
  EXPECT_EQ(Init(), 1);
  EXPECT_TRUE(Traced("Using call_control configuration file " + dir_.Path("prefs/site.cfg")))
      << Trace();
  EXPECT_TRUE(Traced("Board module 0x3 Initialised OK")) << Trace();
}

TEST_F(StartTest, ALineConfiguredWithItsDefaultsStartsTheFramework) {
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  Write("callctrl.cfg", "[module.0]\n");
  ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  VtxLineArgs attach{};
  attach.unit = -1;
  VtxLine* line = VtxLineAttach(&attach);
  ASSERT_NE(line, nullptr);
  VtxLineArgs configure{};
  const int result = VtxLineConfig(line, &configure);
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(result, 0) << configure.status << "/" << configure.line_status;
  EXPECT_TRUE(CallCtrlRunning());
  EXPECT_EQ(machine().Names().size(), 2u);
  VtxLineArgs detach{};
  EXPECT_EQ(VtxLineDetach(line, &detach), 0);
}

TEST_F(StartTest, TheConfiguredTraceFileResumesItsNumbering) {
  Write("cc_1.log", "old\n");
  Write("cc_3.log", "older\n");
  Write("cc_x.log", "not of the series\n");
  Write("other_7.log", "another series\n");
  preferences_ =
      Write("cvcall.cfg", "call_control = " +
                              Write("callctrl.cfg", "trace_file = " + dir_.Path("cc.log") +
                                                        "\nmax_trace_files = 4\n"
                                                        "api_trace = basic\n"
                                                        "[module.2]\n") +
                              "\n");
  request_ = CallCtrlInitRequest{};
  request_.userPreferenceFile = preferences_.c_str();
  ASSERT_EQ(CallCtrlInit(nullptr, &request_), 1);
  EXPECT_EQ(trace::cc::OpenFileName(), dir_.Path("cc_3.log"));
  trace_ = dir_.Path("cc_3.log");
  EXPECT_TRUE(Traced("older\n")) << "the file goes on where it ended";
  EXPECT_TRUE(Traced("[module.2]")) << "the configuration is copied into the trace";
}

TEST_F(StartTest, ASecondInitReturnsAtOnce) {
  Configure("[module.2]\n");
  ASSERT_EQ(Init(), 1);
  const uint64_t sessions = machine().RequestCount(VTX_DRV_SESSION_CREATE);
  request_.status = 7;
  EXPECT_EQ(CallCtrlInit(nullptr, &request_), 1);
  EXPECT_EQ(request_.status, CV_STATUS_OK);
  EXPECT_EQ(machine().RequestCount(VTX_DRV_SESSION_CREATE), sessions) << "nothing is started";
}

}  // namespace
}  // namespace vtx::callctrl::testing
