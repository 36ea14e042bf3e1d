#include "callctrl/board/event_thread.h"

#include <unistd.h>

#include "callctrl/board/master_election.h"
#include "callctrl/module_tables.h"
#include "ecc.h"
#include "sim/packet_form.h"
#include "tests/callctrl/start/start_fixture.h"

namespace vtx::callctrl::testing {
namespace {

// A master's administration line on module 2, without a start around it.
class EventThreadTest : public StartTest {
 protected:
  void SetUp() override {
    StartTest::SetUp();
    trace::cc::SetTraceFile(trace_.c_str());
    trace::cc::SetCategory(trace::cc::kInternalTrace, trace::cc::kLevelVerbose, trace::cc::kToFile);
    module_.module_number = 2;
    ASSERT_TRUE(OpenAdministration(module_));
    ASSERT_FALSE(module_.in_other_process);
  }
  void TearDown() override {
    StopModule(module_);  // while the machine is still there
    StartTest::TearDown();
  }
  sim::CallControlFirmware& firmware() { return machine().FindModule(2)->call_control(); }

  BoardModule module_;
};

TEST_F(EventThreadTest, TheExpectedIsdnVersionPasses) {
  EXPECT_TRUE(CheckIsdnVersion(module_));
  EXPECT_TRUE(Traced("Module 0x2, ISDN Firmware Version 7.0.64")) << Trace();
  EXPECT_TRUE(firmware().control_started);
  EXPECT_TRUE(module_.version_checked);
}

TEST_F(EventThreadTest, AnIsdnVersionMismatchStopsTheControlChannelAndTheThread) {
  firmware().isdn_version[0] = 63;
  module_.port_cc = true;
  EXPECT_FALSE(StartEventThread(module_));
  EXPECT_TRUE(Traced("Module 0x2, ISDN Firmware Version Mismatch. Expected 7.0.64, found 7.0.63"))
      << Trace();
  EXPECT_FALSE(firmware().control_started) << "the control channel is stopped again";
  EXPECT_EQ(firmware().notify_types, 0u) << "board notification never started";
  EXPECT_FALSE(module_.thread_started) << "the thread has ended";
}

TEST_F(EventThreadTest, BoardNotificationFollowsTheKindOfCallControl) {
  module_.port_cc = true;
  ASSERT_TRUE(StartEventThread(module_));
  EXPECT_EQ(module_.notify_kind, kNotifyPorts);
  EXPECT_EQ(firmware().notify_types, 1u << 1);
  EndEventThread(module_);
  EXPECT_EQ(firmware().notify_types, 0u) << "types 1 and 2 finished";

  BoardModule ip;
  ip.module_number = 3;
  ASSERT_TRUE(OpenAdministration(ip));
  ip.ip_cc = true;
  ASSERT_TRUE(StartEventThread(ip));
  EXPECT_EQ(ip.notify_kind, kNotifyIp);
  EXPECT_EQ(machine().FindModule(3)->call_control().notify_types, 1u << 6);
  EndEventThread(ip);
  EXPECT_EQ(machine().FindModule(3)->call_control().notify_types, 0u);
}

TEST_F(EventThreadTest, AMasterThatNeverAnswersFailsOnlyItsSlave) {
  // module_ holds module 2's name and has no event thread to answer.
  machine().SetTimeScale(0.01);
  Configure("[module.0]\n");
  ASSERT_EQ(Init(), 1) << Trace();
  EXPECT_TRUE(Traced("Module 0x2 running in another process."));
  EXPECT_TRUE(Traced("Timeout waiting for master response module 0x2, skipping..."));
  EXPECT_TRUE(Traced("Unable to connect to master. Module 0x2, skipping..."));
  EXPECT_TRUE(Traced("Error starting board module 0x2"));
  EXPECT_TRUE(Traced("Board module 0x3 Initialised OK"));
}

}  // namespace
}  // namespace vtx::callctrl::testing

namespace vtx::callctrl::testing {
namespace {

constexpr char kIsdnPort[] = "[module.2]\n[module.2/port.1]\nport_config = e1_isdn\n";

TEST_F(StartTest, APortObjectRunsOnTheEventThreadAfterTheIsdnCheck) {
  Configure(kIsdnPort);
  ASSERT_EQ(Init(), 1) << Trace();
  EXPECT_TRUE(Traced("Module 0x2, ISDN Firmware Version 7.0.64")) << Trace();
  EXPECT_TRUE(Traced("Module 2, Port 1, started, 30 channels"));
  EXPECT_EQ(machine().FindModule(2)->call_control().notify_types, 1u << 1);
  // Its 30 channels fill the module's 8 host channels, line unit N to channel N.
  const auto& made = machine().FindModule(2)->telephony().connections;
  ASSERT_EQ(made.size(), 8u);
  EXPECT_EQ(made[7].source.port.unit, 7u);
  EXPECT_EQ(made[7].dest.port.unit, 7u);
  // A packet of the port's channel reaches the port through the module's dispatcher.
  const uint8_t* admin = BoardModuleAt(2).module->admin_address;
  const uint8_t channel3[4] = {0, 2, 2, 3};
  std::vector<uint8_t> status;
  sim::FormPacket(sim::FwPacket().Event(ECC_STATUS_UPDATE_EVENT), admin, channel3,
                  MILL_FACILITY_ECC, status);
  ASSERT_TRUE(machine().InjectRaw(admin, status));
  for (int i = 0; i < 200 && !Traced("Module 2, Port 1, received facility 0x12"); ++i) {
    usleep(10000);
  }
  EXPECT_TRUE(Traced("Module 2, Port 1, received facility 0x12 verb 8 code 0x8")) << Trace();
  CallCtrlShutdown();
  EXPECT_TRUE(Traced("Module 2, Port 1, shut down"));
  EXPECT_EQ(machine().FindModule(2)->call_control().notify_types, 0u);
}

TEST_F(StartTest, AnIsdnVersionMismatchFailsTheModuleItRunsOn) {
  machine().FindModule(2)->call_control().isdn_version[0] = 63;
  Configure(std::string(kIsdnPort) + "[module.3]\n");
  ASSERT_EQ(Init(), 1);
  EXPECT_TRUE(Traced("Module 0x2, ISDN Firmware Version Mismatch. Expected 7.0.64, found 7.0.63"))
      << Trace();
  EXPECT_TRUE(Traced("Unable to start IISDN module 0x2, skipping..."));
  EXPECT_TRUE(Traced("Module 2, Port 1, shut down"));
  EXPECT_TRUE(Traced("Board module 0x3 Initialised OK"));
  EXPECT_EQ(BoardModuleAt(2).module, nullptr);
}

TEST_F(StartTest, APortObjectThatCannotInitialiseFailsItsModule) {
  Configure("[module.2]\n[module.2/port.1]\nport_config = analog\nprotocol_file = " +
            dir_.Path("absent.pro") + "\n[module.3]\n");
  ASSERT_EQ(Init(), 1);
  EXPECT_TRUE(Traced("Invalid configuration specified for module 0x2, skipping...")) << Trace();
  EXPECT_TRUE(Traced("Board module 0x3 Initialised OK"));
}

}  // namespace
}  // namespace vtx::callctrl::testing
