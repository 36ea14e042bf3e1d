#include "api/driver_access.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "api/line.h"
#include "tests/support/capture.h"
#include "tests/support/simulated_board.h"

namespace {

using vtx::testing::SimulatedBoardTest;
using vtx::testing::TraceCapture;

class DriverAccessTest : public SimulatedBoardTest {
 protected:
  // A line with its own driver connection and session, as attach leaves it.
  void OpenLine(VtxLine& line, uint32_t flags = 0) {
    ASSERT_EQ(vtx::DriverOpenHandshake(&line.drv_handle, &line.drv_version), vtx::kDriverReady);
    VtxResult result{};
    vtx::SessionParams params;
    params.flags = flags;
    ASSERT_EQ(vtx::SessionCreate(&line, params, &line.session, line.own_addr, &result), 0);
  }
};

TEST_F(DriverAccessTest, HandshakeAcceptsOnlyInterface30) {
  for (int interface : {29, 31}) {
    VtxDriverVersion version = machine().DriverVersion();
    version.interface_version = interface;
    machine().SetDriverVersion(version);
    TraceCapture trace(0x8);
    int handle = -1;
    EXPECT_EQ(vtx::DriverOpenHandshake(&handle, nullptr), vtx::kDriverVersionFailed);
    EXPECT_EQ(handle, -1);
    EXPECT_EQ(machine().OpenConnections(), 0u) << "the refused handle is closed";
    EXPECT_EQ(trace.messages(),
              (std::vector<std::string>{"Incompatible driver versions.",
                                        "Got V5 w/interface V" + std::to_string(interface) +
                                            ", expecting interface V30"}));
  }
  VtxDriverVersion version = machine().DriverVersion();
  version.interface_version = 30;
  version.full_byte_address_mode = 1;
  machine().SetDriverVersion(version);
  TraceCapture trace(0x4);
  int handle = -1;
  VtxDriverVersion got{};
  EXPECT_EQ(vtx::DriverOpenHandshake(&handle, &got), vtx::kDriverReady);
  EXPECT_TRUE(vtx::FullByteAddressMode());
  EXPECT_EQ(vtx::AnyFacility(), 0xFF);
  EXPECT_EQ(vtx::HighestModuleNumber(), 254u);
  EXPECT_TRUE(trace.Contains("Driver V5 (Build 17, PIPR V3, Intrf V30)"));
  vtx::DriverClose(&handle);
  EXPECT_EQ(handle, -1);
}

TEST_F(DriverAccessTest, HandshakeReportsOpenAndVersionFailures) {
  TraceCapture trace(0x8);
  machine().InjectFault(VTX_DRV_GET_VERSION, sim::Fault{EIO, 0});
  int handle = -1;
  EXPECT_EQ(vtx::DriverOpenHandshake(&handle, nullptr), vtx::kDriverVersionFailed);
  EXPECT_TRUE(trace.Contains("GET_VERSION: Input/output error"));
  EXPECT_EQ(machine().OpenConnections(), 0u);

  os::SetDriverForTesting(os::MakeDaemonTransport("/nonexistent/tarrow.sock"));
  EXPECT_EQ(vtx::DriverOpenHandshake(&handle, nullptr), vtx::kDriverOpenFailed);
  EXPECT_TRUE(trace.Contains("Accessing Driver: No such file or directory"));
}

TEST(DriverStatusTest, NamesAndApiErrors) {
  EXPECT_STREQ(VtxDrvStatusName(0), "GDI_STS_OK");
  EXPECT_STREQ(VtxDrvStatusName(47), "GDI_STS_LNODE_OBJECT_NULL");
  EXPECT_STREQ(VtxDrvStatusName(48), "GDI_STS_NOT_REGISTERED");
  EXPECT_STREQ(VtxDrvStatusName(59), "GDI_STS_VOID");
  EXPECT_STREQ(VtxDrvStatusName(200), "GDI_STS_? 200");

  const std::pair<uint32_t, uint32_t> mapping[] = {
      {6, 18},  {10, 18}, {7, 13}, {12, 5}, {39, 5},  {43, 5}, {14, 6}, {42, 6},  {19, 31},
      {21, 19}, {52, 19}, {22, 9}, {40, 9}, {34, 28}, {1, 11}, {8, 11}, {200, 11}};
  for (auto [drv_status, line_status] : mapping) {
    VtxResult result{};
    EXPECT_EQ(VtxDrvStatusToApiError(&result, drv_status), 1);
    EXPECT_EQ(result.status, CV_STATUS_ERROR);
    EXPECT_EQ(result.line_status, line_status) << "driver status " << drv_status;
  }
  VtxResult untouched{7, 7};
  EXPECT_EQ(VtxDrvStatusToApiError(&untouched, 0), 0);
  EXPECT_EQ(untouched.status, CV_STATUS_ALERT);
}

TEST_F(DriverAccessTest, SessionsAndAddressAssociation) {
  VtxLine line;
  OpenLine(line);
  VtxLine other;
  OpenLine(other, VTX_SESSION_UNIQUE);  // only a session that wants it alone finds it in use
  EXPECT_NE(line.session, other.session);
  EXPECT_NE(0, memcmp(line.own_addr, other.own_addr, 4)) << "each session has its own address";

  TraceCapture trace(0x8);
  VtxResult result{};
  uint8_t channel[4] = {0x7F, 2, 2, 1};
  EXPECT_EQ(vtx::AddressAssociate(&line, line.session, channel, &result), vtx::kAssocDone);
  uint8_t same[4] = {0x7F, 2, 2, 1};
  EXPECT_EQ(vtx::AddressAssociate(&other, other.session, same, &result), vtx::kAssocInUse);
  EXPECT_EQ(result.status, CV_STATUS_OK) << "in use is not an error of the record";
  uint8_t absent[4] = {0x7F, 2, 9, 0};
  EXPECT_EQ(vtx::AddressAssociate(&line, line.session, absent, &result), vtx::kAssocNotFound);
  EXPECT_EQ(result.status, CV_STATUS_OK);
  EXPECT_TRUE(trace.Contains("Addr 7F.02.02.01 already in use"));
  EXPECT_TRUE(trace.Contains("Addr 7F.02.09.00 not found"));

  machine().InjectFault(VTX_DRV_ADDRESS_ASSOC, sim::Fault{0, GDI_STS_RESOURCES});
  EXPECT_EQ(vtx::AddressAssociate(&line, line.session, channel, &result), vtx::kAssocError);
  EXPECT_EQ(result.line_status, APIERR_DRV_RESOURCES);
  EXPECT_TRUE(trace.Contains("Error checking for addr 7F.02.02.01: GDI_STS_RESOURCES"));

  machine().InjectFault(VTX_DRV_ADDRESS_ASSOC, sim::Fault{EINVAL, 0});
  result = VtxResult{};
  EXPECT_EQ(vtx::AddressAssociate(&line, line.session, channel, &result), vtx::kAssocError);
  EXPECT_EQ(result.line_status, APIERR_DRV_IOCTL_ERR);
  EXPECT_EQ(line.last_error, EINVAL);
  EXPECT_TRUE(trace.Contains("ioctl ADDRESS_ASSOC: Invalid argument"));

  machine().InjectFault(VTX_DRV_SESSION_DESTROY, sim::Fault{0, GDI_STS_SESSIONHANDLEBAD});
  result = VtxResult{};
  EXPECT_EQ(vtx::SessionDestroy(&line, line.session, &result), 1);
  EXPECT_EQ(result.line_status, APIERR_INVALID_PORT);
  EXPECT_TRUE(trace.Contains("Error destroying session GDI_STS_SESSIONHANDLEBAD"));
  EXPECT_EQ(vtx::SessionDestroy(&line, line.session, &result), 0);
  vtx::DriverClose(&line.drv_handle);
  vtx::DriverClose(&other.drv_handle);
}

}  // namespace
