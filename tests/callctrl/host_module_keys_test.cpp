#include "callctrl/hostlib/host_module_library.h"
#include "config_fixture.h"

namespace vtx::callctrl::testing {
namespace {

using HostModuleKeysTest = ConfigTest;

const HostModuleKeyValue* Key(const HostModuleConfigRecord* record, const std::string& name) {
  for (uint32_t i = 0; i < record->key_count; ++i) {
    if (name == record->keys[i].name) return &record->keys[i];
  }
  return nullptr;
}

TEST_F(HostModuleKeysTest, LibraryKeysAreReadUnderParameters) {
  ASSERT_TRUE(Open(std::string("[host_module.1]\nmodule_library = ") + TARROWHM_PATH +
                   "\nenabled = No\n[host_module.1/parameters]\nlocal_address = 300.1.1.1\n"
                   "sip_port = 70000\nmax_calls = 12\n[host_module.1/t38parameters]\n"
                   "t38_max_bit_rate = 9600\n"));
  HostModuleConfigRecord* record = GetHostModuleRecord(config_, 1, false);
  ASSERT_NE(nullptr, record);
  EXPECT_EQ(0, record->enabled);
  EXPECT_EQ(5000, record->inbound_call_timeout);
  ASSERT_EQ(6u, record->key_count);
  EXPECT_TRUE(Once(kInfo, "host_module.1 path " TARROWHM_PATH " loaded successfully."));
  EXPECT_TRUE(Once(kInfo, "reported 6 configuration keys."));
  // The validation function refuses the address: the default replaces it.
  EXPECT_TRUE(
      Once(kWarning,
           "string key local_address value \"300.1.1.1\" failed validation, using default \"\""));
  EXPECT_STREQ("", Key(record, "local_address")->value.text);
  EXPECT_EQ(kHostKeyString, Key(record, "user_agent")->type);
  EXPECT_EQ(5060, Key(record, "sip_port")->value.signed_value);
  EXPECT_TRUE(
      Once(kInfo, "host_module.1 int key sip_port min 1 max 65535 default 5060 returned 5060"));
  EXPECT_EQ(12u, Key(record, "max_calls")->value.unsigned_value);
  EXPECT_TRUE(Once(kInfo, "unloading host_module.1, path"));
  // T.38: a given key is taken, a missing one gives the mandatory warning and its default.
  EXPECT_EQ(3, record->t38.t38_max_bit_rate);
  EXPECT_EQ(512, record->t38.t38_fax_max_buffer);
  EXPECT_TRUE(Once(kWarning, "A mandatory setting for 't38_fax_max_buffer' parameter is missing"));
  EXPECT_TRUE(Once(kWarning,
                   "The setting for the enumerated mandatory parameter 't38_fax_udp_EC' is "
                   "missing. The default setting 't38udpredundancy'"));
  EXPECT_EQ(6, record->t38.t38_fax_udp_EC);
  EXPECT_EQ(-1, record->t38.media_renegotiate_delay_outbound);
}

TEST_F(HostModuleKeysTest, SmallLibraryLoadsWithoutKeys) {
  ASSERT_TRUE(Open(std::string("[host_module.2]\nmodule_library = ") + CIPI_MINIMAL_PATH + "\n"));
  EXPECT_TRUE(
      Once(kError, "host_module.2 path " CIPI_MINIMAL_PATH " reported 0 configuration keys."));
  EXPECT_EQ(0u, GetHostModuleRecord(config_, 2, false)->key_count);

  HostModuleLibrary library;
  ASSERT_TRUE(library.Load(CIPI_MINIMAL_PATH));
  EXPECT_NE(nullptr, library.entries().CIPI_OpenLibrary);
  EXPECT_NE(nullptr, library.entries().CIPI_GetEvent);
  EXPECT_EQ(nullptr, library.entries().CIPI_QueryConfigurationKeys);
  char vendor[CIPI_INFO_TEXT_SIZE] = "x", name[CIPI_INFO_TEXT_SIZE] = "x",
       version[CIPI_INFO_TEXT_SIZE] = "x";
  EXPECT_EQ(-1, library.QueryLibraryInfo(vendor, name, version));
  EXPECT_STREQ("", vendor);
  EXPECT_STREQ("", version);
  EXPECT_EQ(-1, library.SetTrace(4));
}

TEST_F(HostModuleKeysTest, MissingLibraryAndMissingPath) {
  ASSERT_TRUE(Open("[host_module.3]\nmodule_library = /nonexistent/lib.so\n[host_module.4]\n"));
  EXPECT_TRUE(Once(kError, "host_module.3 path /nonexistent/lib.so failed to load."));
  EXPECT_TRUE(Once(kError, "A mandatory setting for parameter 'module_library' is missing"));
  EXPECT_EQ(2, HostModuleRecordCount(config_));
}

}  // namespace
}  // namespace vtx::callctrl::testing
