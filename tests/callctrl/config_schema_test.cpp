#include "config_fixture.h"
#include "tests/support/loopback_adapter.h"

namespace vtx::callctrl::testing {
namespace {

using SchemaTest = ConfigTest;

TEST_F(SchemaTest, MissingFileFailsUnlessCreated) {
  std::string path = dir_.Path("none.cfg");
  EXPECT_EQ(nullptr, OpenCallCtrlConfig(path.c_str(), false, Keep, &messages_));
  ASSERT_EQ(1u, Find(kInfo, "The file '" + path + "' does not exist.").size());
  CallCtrlConfig* created = OpenCallCtrlConfig(path.c_str(), true, Keep, &messages_);
  ASSERT_NE(nullptr, created);
  EXPECT_TRUE(Once(kInfo, "Will be created during shutdown."));
  EXPECT_EQ(0, ModuleRecordCount(created));
  CloseCallCtrlConfig(created);
}

TEST_F(SchemaTest, RootTraceKeysWithDefaults) {
  ASSERT_TRUE(Open("api_trace = Verbose\nmax_trace_files = 1000\ntrace_file = cc.log\n"));
  int32_t value = 0;
  EXPECT_EQ(0, GetApiTrace(config_, &value));
  EXPECT_EQ(4, value);
  GetL4L3Trace(config_, &value);
  EXPECT_EQ(1, value);
  GetMaxTraceFiles(config_, &value);
  EXPECT_EQ(1, value);
  GetMaxTraceFileSize(config_, &value);
  EXPECT_EQ(10, value);
  char file[260];
  GetTraceFile(config_, file, sizeof file);
  EXPECT_STREQ("cc.log", file);
  EXPECT_TRUE(Once(kWarning, "It should be between 0 and 999."));
}

TEST_F(SchemaTest, ModuleZeroIsTheTemplateOnlyForLaterSections) {
  // Sections are walked in name order: "module.+2" (module 2) sorts before "module.00", "module.3"
  // after it. Keys a section reads take their defaults; sub-sections it lacks keep the template's.
  const char* text =
      "[module.3]\n[module.+2]\n[module.00/port.1]\nport_config = e1_cas\n"
      "[module.00/clock_config]\nclock_mode = slave\n";
  ASSERT_TRUE(Open(text));
  ASSERT_EQ(3, ModuleRecordCount(config_));
  ModuleConfigRecord* three = GetModuleRecord(config_, 3, false);
  EXPECT_EQ(3u, three->module_number);
  EXPECT_EQ(kPortE1Cas, three->ports[0].port_config);
  EXPECT_EQ(0, three->clock_mode);
  EXPECT_EQ(0, three->pcm_law);  // alaw, following the inherited E1 port
  EXPECT_EQ(kPortInactive, GetModuleRecord(config_, 2, false)->ports[0].port_config);
  EXPECT_EQ(1, GetModuleRecord(config_, 2, false)->clock_mode);
  EXPECT_EQ(nullptr, GetModuleRecord(config_, 5, false));
  EXPECT_EQ(kPortE1Cas, GetModuleRecord(config_, 5, true)->ports[0].port_config);
}

TEST_F(SchemaTest, SectionWalkRefusesBadNumbers) {
  ASSERT_TRUE(
      Open("[module.2/port.a]\n[module.2/port.0]\n[module.2/port.x]\n"
           "[module.2/ethernet.3]\n[module.2/host_cc.a]\n[module.2/other]\n"
           "[module.q]\n[host_module.0]\n[host_module.a]\n[misc]\n"));
  auto port = Find(kWarning,
                   "port.a in module.2 is not configurable. Port number should be less than 9.\n  "
                   "Skipping invalid [port.a] configuration section.");
  ASSERT_EQ(1u, port.size());
  EXPECT_EQ(1, port[0].line);
  for (const char* text :
       {"port.0 in module.2 is not configurable. Use the clock_config section.",
        "expected number after '.' in 'port.x': skipping invalid [port.<id>]",
        "Ethernet port number should be less or equal to 2.",
        "Host call control number should be less or equal to 9.", "skipping invalid [module.<id>]",
        "host_module.0 is not configurable.\n  Skipping invalid [host_module.0] configuration "
        "section.",
        "host_module.a is not configurable. host_module number should be less or equal to 9.",
        "unrecognized top level element 'misc': skipped."}) {
    EXPECT_TRUE(Once(kWarning, text)) << text;
  }
  EXPECT_EQ(0, HostModuleRecordCount(config_));
}

TEST_F(SchemaTest, RawPortConfigIsReportedThenRefused) {
  ASSERT_TRUE(Open("[module.2/port.1]\nport_config = 12\n"));
  EXPECT_TRUE(
      Once(kWarning, "A non-enumerated setting '12' for the optional parameter 'port_config'"));
  auto invalid = Find(kError,
                      "invalid port configuration encountered for module.2/port.1.\n This port "
                      "configuration may not be stable.");
  ASSERT_EQ(1u, invalid.size());
  EXPECT_EQ(2, invalid[0].line);
  EXPECT_EQ(1, Count(kError));
  EXPECT_EQ(12, GetModuleRecord(config_, 2, false)->ports[0].port_config);
}

TEST_F(SchemaTest, PortKeysAndTheirDependentDefaults) {
  ASSERT_TRUE(
      Open("[module.2/port.1]\nport_config = T1_ISDN\nfractional_start_channel = 3\n"
           "emulation = network\nswitch_type = att_5ess\nprotocol = isdn2\n"
           "default_caller_id = 0123456789abcdefgh\nmax_did_digits = 4\n"
           "sabme = 1\nreject_incomplete_did = Enabled\n"));
  const PortConfigRecord& port = GetModuleRecord(config_, 2, false)->ports[0];
  EXPECT_EQ(kPortT1Isdn, port.port_config);
  EXPECT_EQ(-1, port.fractional_channel_count);
  EXPECT_TRUE(
      Once(kWarning, "A mandatory setting for 'fractional_channel_count' parameter is missing"));
  EXPECT_STREQ("0123456789abcd", port.protocol.t1_isdn.default_caller_id);
  EXPECT_EQ(1, port.protocol.t1_isdn.reject_incomplete_did);
  EXPECT_EQ(1, port.protocol.t1_isdn.wait_for_bchannel_status);
  EXPECT_TRUE(Once(kWarning,
                   "parameter 'wait_for_bchannel_status' is missing. The default setting 'true'"));
  EXPECT_EQ(6, port.protocol.t1_isdn.transfer_variant);
  EXPECT_EQ(0, Count(kError));
  // pcm_law follows port 1: mulaw for T1 ISDN.
  EXPECT_EQ(1, GetModuleRecord(config_, 2, false)->pcm_law);

  ASSERT_TRUE(Open("[module.2/port.1]\nport_config = e1_isdn\nemulation = co\n"));
  const ModuleConfigRecord* module = GetModuleRecord(config_, 2, false);
  EXPECT_EQ(0, module->ports[0].protocol.e1_isdn.sabme);
  EXPECT_EQ(0, module->pcm_law);
  EXPECT_TRUE(Once(kError, "A mandatory setting for parameter 'default_caller_id'"));
  EXPECT_EQ(-1, module->ports[0].fractional_channel_count);
  EXPECT_TRUE(Find(kWarning, "'fractional_channel_count'").empty());
}

TEST_F(SchemaTest, ClockStyles) {
  ASSERT_TRUE(
      Open("[module.2/clock_config]\nclock_mode = slave\nbus_speed = 8\n"
           "[module.3/clock_config]\nsec8k = yes\n"));
  const ModuleConfigRecord* two = GetModuleRecord(config_, 2, false);
  EXPECT_EQ(kClockStyleBus, two->clock_config_style);
  EXPECT_EQ(8, two->bus_speed);
  EXPECT_EQ(2, two->slave_source);
  EXPECT_EQ(1, two->clock_source);
  EXPECT_EQ(1, two->subsections_read);
  const ModuleConfigRecord* three = GetModuleRecord(config_, 3, false);
  EXPECT_EQ(kClockStyleSec8k, three->clock_config_style);
  EXPECT_EQ(1, three->sec8k);
}

TEST_F(SchemaTest, EthernetStaticAndAdapterAddresses) {
  const std::string loopback = vtx::testing::LoopbackAdapterName();
  ASSERT_TRUE(
      Open("[module.2/ethernet.1]\nip_address = 10.0.0.2\nmedia_port_min = x\n"
           "[module.2/ethernet.2]\nip_interface = " +
           loopback +
           "\nip_netmask = 255.0.0.0\n"
           "dhcp = yes\n[module.2/host_cc.9]\nhost_module = 10\n"));
  const ModuleConfigRecord* module = GetModuleRecord(config_, 2, false);
  EXPECT_STREQ("10.0.0.2", module->ethernet[0].ip_address);
  EXPECT_TRUE(Once(kError, "parameter 'ip_netmask' is missing"));
  EXPECT_EQ(56000, module->ethernet[0].media_port_min);
  EXPECT_TRUE(Once(kWarning, "The setting 'x' for the mandatory parameter 'media_port_min'"));
  EXPECT_STREQ("127.0.0.1", module->ethernet[1].ip_address);
  EXPECT_STREQ("", module->ethernet[1].ip_netmask);
  EXPECT_EQ(0, module->ethernet[1].dhcp);
  EXPECT_TRUE(Once(kWarning, "Invalid IP address for adapter " + loopback + "\n"));
  EXPECT_EQ(1, module->host_cc[8].host_module);
  EXPECT_EQ(1, module->host_cc[8].number_of_channels);
}

TEST_F(SchemaTest, DefaultListingGoesToStandardError) {
  std::string path = dir_.Path("none.cfg");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(nullptr, OpenCallCtrlConfig(path.c_str(), false, nullptr));
  std::string bad = dir_.Path("bad.cfg");
  std::ofstream(bad) << "[module.2]\nchannels = 999\n";
  CloseCallCtrlConfig(OpenCallCtrlConfig(bad.c_str(), false, nullptr));
  std::string text = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, text.find("info: The file '" + path + "' does not exist.\n"));
  EXPECT_NE(std::string::npos, text.find("warning: on line 2 section [/module.2/] in '"));
}

}  // namespace
}  // namespace vtx::callctrl::testing
