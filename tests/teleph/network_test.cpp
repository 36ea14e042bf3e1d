#include <gtest/gtest.h>

#include <cstring>

#include "api/status_text.h"
#include "common.h"
#include "tele_ctrl.h"
#include "tests/support/capture.h"
#include "tests/teleph/teleph_fixture.h"

namespace {

using vtx::testing::TraceCapture;

class NetworkTest : public vtx::testing::TelephLineTest {
 protected:
  void Answer(uint32_t code, uint32_t event, std::vector<sim::FwTag> tags) {
    AnswerRequest(MILL_FACILITY_TELE_CTRL, code, event, std::move(tags));
  }
};

TEST_F(NetworkTest, SettingsAreSentForInterfaceZeroAndReadBack) {
  VtxNetworkArgs set{};
  set.unit = 1;
  set.set_localAddr = 1;
  set.localAddr = {2, 0, {192, 0, 2, 50}, {}};
  set.set_speed = 1;
  set.speed = 2;
  set.set_ARPTimeout = 1;
  set.ARPTimeout = 30000;
  ASSERT_EQ(VtxNetworkConfigSet(line_, &set), 0);
  const auto log = board().CommandLog();
  ASSERT_EQ(log.size(), 1u);
  std::vector<uint32_t> ids;
  for (const auto& tag : log[0].tags) ids.push_back(tag.id);
  EXPECT_EQ(ids, (std::vector<uint32_t>{0x3F, 0x40, 0x41, 0x44, 0x48}));
  EXPECT_EQ(log[0].Find(TELE_CTRL_UNIT_VAR)->Value(), 0u);
  EXPECT_EQ(log[0].Find(TELE_CTRL_ARP_TIMEOUT_VAR)->type, 0x42u);

  VtxNetworkArgs get{};
  get.unit = 1;
  ASSERT_EQ(VtxNetworkConfigGet(line_, &get), 1);
  EXPECT_EQ(get.localAddr.sin_fam, 2);
  EXPECT_EQ(get.localAddr.sin_addr[3], 50);
  EXPECT_EQ(get.speed, 2u);
  EXPECT_EQ(get.ARPTimeout, 30000u);
  const uint8_t mac[6] = {0x00, 0x1C, 0x7A, 0x00, 0x02, 0x01};
  EXPECT_EQ(memcmp(get.MAC, mac, 6), 0);

  VtxNetworkArgs save{};
  EXPECT_EQ(VtxNetworkConfigSave(line_, &save), 0);
  EXPECT_EQ(board().telephony().saved_interfaces[0].address[3], 50);
}

TEST_F(NetworkTest, BadValuesAreRefusedBeforeAnythingIsSent) {
  VtxNetworkArgs duplex{};
  duplex.unit = 1;
  duplex.set_duplex = 1;
  duplex.duplex = 3;
  EXPECT_EQ(VtxNetworkConfigSet(line_, &duplex), -1);
  EXPECT_EQ(duplex.line_status, APIERR_BADPARAMETER);

  TraceCapture trace;
  VtxNetworkArgs family{};
  family.unit = 1;
  family.set_localAddr = 1;
  family.localAddr.sin_fam = 23;
  EXPECT_EQ(VtxNetworkConfigSet(line_, &family), -1);
  EXPECT_EQ(family.line_status, APIERR_BADPARAMETER);
  EXPECT_TRUE(trace.Contains("Bad network address family value 23."));

  VtxNetworkArgs unit{};
  EXPECT_EQ(VtxNetworkConfigSet(line_, &unit), -1);
  EXPECT_EQ(VtxNetworkConfigGet(line_, &unit), -1);
  EXPECT_EQ(unit.line_status, APIERR_BADPARAMETER);

  ClearCapability(70);
  VtxNetworkArgs none{};
  none.unit = 1;
  EXPECT_EQ(VtxNetworkConfigSet(line_, &none), -1);
  EXPECT_EQ(none.line_status, APIERR_BOARDCAPABILITY);
  EXPECT_EQ(VtxNetworkConfigSave(line_, &none), -1);
  EXPECT_TRUE(board().CommandLog().empty());
}

TEST_F(NetworkTest, RefusalsKeepTheirResultCodeForTheStatusTexts) {
  Answer(TELE_CTRL_NETWORK_CONFIG_SET_REQUEST, TELE_CTRL_NETWORK_CONFIG_DONE_EVENT,
         {sim::FwTag::Int(COMMON_RESULT_CODE_VAR, MILL_TYPE_BYTE, 1)});
  VtxNetworkArgs set{};
  set.unit = 1;
  EXPECT_EQ(VtxNetworkConfigSet(line_, &set), 1);
  EXPECT_EQ(set.status, CV_STATUS_ERROR);
  EXPECT_EQ(set.line_status, APIERR_FIRMWARE_ERR_DETECTED);

  Answer(TELE_CTRL_NETWORK_CONFIG_SAVE_REQUEST, TELE_CTRL_NETWORK_CONFIG_SAVED_EVENT,
         {sim::FwTag::Int(COMMON_RESULT_CODE_VAR, MILL_TYPE_BYTE, 6)});
  VtxNetworkArgs save{};
  EXPECT_EQ(VtxNetworkConfigSave(line_, &save), 6);
  vtx::api::StatusText text;
  vtx::api::FormStatusText(line_, save.status, save.line_status, &text);
  EXPECT_NE(std::string(text.description).find("Checksum error"), std::string::npos);
}

TEST_F(NetworkTest, GetReportsOnlyKnownSettingsAndRefusesAShortMac) {
  Answer(TELE_CTRL_NETWORK_CONFIG_GET_REQUEST, TELE_CTRL_NETWORK_CONFIG_INFO_EVENT,
         {sim::FwTag::Int(TELE_CTRL_UNIT_VAR, MILL_TYPE_BYTE, 0),
          sim::FwTag::Int(0x70, MILL_TYPE_BYTE, 9)});
  VtxNetworkArgs get{};
  get.unit = 1;
  get.speed = 77;
  EXPECT_EQ(VtxNetworkConfigGet(line_, &get), 0);
  EXPECT_EQ(get.speed, 77u);

  Answer(TELE_CTRL_NETWORK_CONFIG_GET_REQUEST, TELE_CTRL_NETWORK_CONFIG_INFO_EVENT,
         {sim::FwTag::Bytes(TELE_CTRL_MAC_ADDR_VAR, MILL_TYPE_BYTE, {1, 2, 3, 4})});
  VtxNetworkArgs mac{};
  mac.unit = 1;
  EXPECT_EQ(VtxNetworkConfigGet(line_, &mac), -1);
  EXPECT_EQ(mac.line_status, APIERR_INVALID_BOARD_PARAM);
}

}  // namespace
