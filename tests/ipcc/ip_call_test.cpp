// A whole call of the project's host module library through the framework: the library's
// scripted events pass the host module's queue to the IP channels of a virtual IP board.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "call_sw.h"
#include "ip_cc.h"
#include "packet/command_reader.h"
#include "sim/embedded.h"
#include "sim/machine_file.h"
#include "sim/module.h"
#include "tests/callctrl/start/start_fixture.h"

namespace vtx::callctrl::testing {
namespace {

using namespace std::chrono_literals;

class IpCallTest : public StartTest {
 protected:
  void SetUp() override {
    StartTest::SetUp();
    auto machine = std::make_unique<sim::Machine>();
    std::string error;
    ASSERT_TRUE(sim::LoadMachineFile(std::string(TARROW_SOURCE_DIR) + "/sim/boards/ip-board.cfg",
                                     *machine, error))
        << error;
    sim::ReplaceEmbeddedMachine(std::move(machine));
    os::SetDriverForTesting(os::MakeEmbeddedTransport());  // onto the new machine
  }
  int UdptlConnections() {
    int count = 0;
    for (const sim::SwitchConnection& c : machine().FindModule(2)->telephony().connections) {
      if (c.dest.port.port_class == VTX_PORT_CLASS_UDPTL) ++count;
    }
    return count;
  }
  // Host module 1 runs the project's library on the event script `events` with the host module
  // keys `keys`, beside the board modules of `modules`; every step is traced.
  void ConfigureHost(const std::string& modules, const std::string& keys,
                     const std::string& events) {
    Configure("host_module_trace = verbose\nip_stack_trace = verbose\n" + modules +
              "[host_module.1]\nenabled = true\n" + keys + "module_library = " + TARROWHM_PATH +
              "\n[host_module.1/parameters]\nevent_script = " + Write("events.txt", events) + "\n");
  }
  bool Eventually(const std::string& text) {
    for (int i = 0; i < 1000; ++i) {
      if (Traced(text)) return true;
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }
};

TEST_F(IpCallTest, AScriptedFaxCallSettlesItsT38ParametersOnAnIpChannel) {
  const std::string script =
      Write("events.txt",
            "0 call_offered 5 1000 2000\n"
            "0 media_offer 5 @127.0.0.1:40000 T38MaxBitRate:14400 T38FaxRateManagement:localTCF "
            "T38FaxUdpEC:t38UDPFEC T38FaxMaxBuffer:1024\n"
            "0 media_selected 5 t38maxbitrate:9600\n"
            "0 call_released 5 16\n"
            "0 media_offer 99 T38MaxBitRate:9600\n"
            "0 call_offered 7 1002 2000\n"
            "0 call_connected 7\n"
            "0 call_offered 6 1001 2000\n"
            "0 media_offer 6 @198.51.100.8:40002 T38MaxBitRate:9600\n");
  // The host's T.38 limits are the defaults but for the bit rate: a maximum buffer of 512 bytes,
  // below what the board's UDPTL port accepts.
  Configure(std::string("host_module_trace = verbose\nip_stack_trace = verbose\n") +
            "[module.2]\nset_api = vtx\n[module.2/host_cc.1]\nhost_module = 1\n" +
            "number_of_channels = 2\n[host_module.1]\nenabled = true\n" +
            "inbound_call_timeout = 500\nmodule_library = " + TARROWHM_PATH +
            "\n[host_module.1/parameters]\nevent_script = " + script +
            "\n[host_module.1/t38parameters]\nt38_max_bit_rate = 9600\n");
  ASSERT_EQ(Init(), 1) << Trace();
  ASSERT_TRUE(Traced("Board module 0x2 Initialised OK")) << Trace();
  // Call 7 was offered before call 6 and connected at once: its timer, had it still run, would
  // have expired before call 6's.
  ASSERT_TRUE(Eventually("[2,1] UDPTL connection released: hm=0x81, hcr=0x6")) << Trace();
  EXPECT_TRUE(Traced("Call not answered in 500 ms, released: hm=0x81, hcr=0x6"));
  EXPECT_TRUE(Traced("[2,0] Call connected: hm=0x81, hcr=0x7"));
  EXPECT_FALSE(Traced("released: hm=0x81, hcr=0x7")) << Trace();
  EXPECT_TRUE(Traced("[2,0] Call offered: hm=0x81, hcr=0x5, calling=1000, called=2000"));
  EXPECT_TRUE(
      Traced("[2,0] T.38 parameters settled: hm=0x81, hcr=0x5, t38_version=0,"
             "t38_max_bit_rate=3,t38_fax_fill_bit_removal=0,t38_fax_transcoding_MMR=0,"
             "t38_fax_transcoding_JBIG=0,t38_fax_rate_management=9,"))
      << Trace();
  EXPECT_TRUE(Traced("t38_fax_udp_EC=6,"));
  // The offer was answered with the host's own parameters; the call itself was not, as no
  // application on the channel answered it.
  EXPECT_TRUE(Traced("[2,1] Command 3 carried out: hm=0x81, hcr=0x6, result=0")) << Trace();
  EXPECT_FALSE(Traced("tarrowhm: command 1 for call"));
  // The board joined the channel to a UDPTL port with the settled parameters, towards a far end
  // on the loopback address, and the library was told the board's port as ours.
  EXPECT_TRUE(
      Traced("[2,0] UDPTL connection made: hm=0x81, hcr=0x5, local 198.51.100.2:56000, "
             "remote 127.0.0.1:40000"))
      << Trace();
  EXPECT_TRUE(Traced("tarrowhm: media answer for call 5: 198.51.100.2:56000"));
  sim::Module& module = *machine().FindModule(2);
  bool sent = false;
  int releases = 0;
  for (const sim::FwCommand& command : module.CommandLog()) {
    if (command.facility != MILL_FACILITY_CALL_SW || command.code != CALL_SW_PCM_CONN_REQUEST) {
      continue;
    }
    if (command.Find(CALL_SW_CONN_MODE_VAR)->Value() ==
        (VTX_CONN_MODE_DISCONNECT | VTX_CONN_MODE_NO_T38)) {
      ++releases;
      continue;
    }
    if (command.Find(CALL_SW_MAX_BUFFER_VAR) == nullptr || sent) continue;
    sent = true;
    EXPECT_EQ(command.Find(CALL_SW_MAX_BIT_RATE_VAR)->Value(), 3u) << "settled at 9600";
    EXPECT_EQ(command.Find(CALL_SW_MAX_BUFFER_VAR)->Value(), 1024u);
    EXPECT_EQ(command.Find(CALL_SW_DATA_RATE_MANAGEMENT_VAR)->Value(), 9u);
  }
  EXPECT_TRUE(sent) << "the connection carried the settled T.38 parameters";
  // Both calls' connections were released: the far end's release ended the first, the timer the
  // second; the board holds no UDPTL connection any more.
  EXPECT_TRUE(Traced("[2,0] UDPTL connection released: hm=0x81, hcr=0x5")) << Trace();
  EXPECT_EQ(releases, 2);
  EXPECT_EQ(UdptlConnections(), 0);
  EXPECT_TRUE(Traced("[2,0] Call released: hm=0x81, hcr=0x5, cause=16"));
  EXPECT_TRUE(
      Traced("ProcessLibraryEvent:invalid call record: hm=0x81, "
             "event=Event_CIPI_MediaOffer(9), hcr=0x63"));
  EXPECT_TRUE(Traced("[2,0] Call offered: hm=0x81, hcr=0x7")) << "the freed channel serves again";
}

// An application on an IP channel of module 2, as it would use the library: a line to the
// channel, the IP_CC events it receives and the requests it sends.
class ChannelApplication {
 public:
  explicit ChannelApplication(uint8_t channel) {
    VtxLineArgs attach{};
    const uint8_t address[4] = {MILL_FACILITY_IP_CC, 2, 2, channel};
    memcpy(attach.dest_addr, address, 4);
    attach.present = 1;
    line_ = VtxSessionAttach(&attach);
  }
  ~ChannelApplication() {
    VtxLineArgs detach{};
    if (line_ != nullptr) VtxLineDetach(line_, &detach);
  }
  bool attached() const { return line_ != nullptr; }
  // The code of the next IP_CC event within five seconds (0 when none came), with its calling
  // number and cause when it carries them.
  uint32_t Next(std::string* calling = nullptr, uint32_t* cause = nullptr) {
    uint8_t buffer[MILL_RECEIVE_BUFFER];
    MillArgs args{};
    args.pkt_buf = buffer;
    args.pkt_len = sizeof buffer;
    args.timeout = 5000;
    if (MillReceivePkt(line_, &args) != 1) return 0;
    packet::PacketReader reader(buffer, args.pkt_len);
    packet::Command command;
    if (!reader.Next(command) || command.verb != MILL_VERB_EVENT) return 0;
    packet::Tag tag;
    if (calling != nullptr && command.FindTag(IP_CC_CALLING_NUMBER_VAR, tag)) {
      calling->assign(reinterpret_cast<const char*>(tag.data),
                      strnlen(reinterpret_cast<const char*>(tag.data), tag.data_len));
    }
    if (cause != nullptr && command.FindTag(IP_CC_CAUSE_VAR, tag)) {
      *cause = static_cast<uint32_t>(tag.Int());
    }
    return command.code;
  }
  bool Request(uint32_t code, uint32_t cause = 0) {
    const MillTagItem with_cause[] = {{IP_CC_CAUSE_VAR, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(cause)},
                                      {0, 0, 0, nullptr}};
    MillArgs args{};
    args.facility = MILL_FACILITY_IP_CC;
    args.verb = MILL_VERB_REQUEST;
    args.code = code;
    args.timeout = 1000;
    return (MillFormSendCmd(line_, &args, cause != 0 ? with_cause : with_cause + 1) &
            MILL_SEND_SENT) != 0;
  }

 private:
  VtxLine* line_ = nullptr;
};

TEST_F(IpCallTest, ApplicationsOnTheChannelsHearTheirCallsAndAnswerOrReleaseThem) {
  // The applications are there before the framework starts: they hear every call.
  ChannelApplication first(0), second(1);
  ASSERT_TRUE(first.attached() && second.attached());
  ConfigureHost(
      "[module.2]\nset_api = vtx\n[module.2/host_cc.1]\nhost_module = 1\n"
      "number_of_channels = 2\n",
      "inbound_call_timeout = 0\n",
      "0 call_offered 5 1000 2000\n"
      "0 call_offered 6 1001 2000\n"
      "1000 call_connected 5\n"
      "0 call_released 5 16\n");
  ASSERT_EQ(Init(), 1) << Trace();
  std::string calling;
  ASSERT_EQ(first.Next(&calling), static_cast<uint32_t>(IP_CC_SETUP_IND_EVENT)) << Trace();
  EXPECT_EQ(calling, "1000");
  ASSERT_EQ(second.Next(&calling), static_cast<uint32_t>(IP_CC_SETUP_IND_EVENT));
  EXPECT_EQ(calling, "1001");

  // One answers its call, the other releases its own: the library carries both out.
  ASSERT_TRUE(first.Request(IP_CC_CONNECT_REQUEST));
  ASSERT_TRUE(second.Request(IP_CC_RELEASE_REQUEST, 21));
  uint32_t cause = 0;
  ASSERT_EQ(second.Next(nullptr, &cause), static_cast<uint32_t>(IP_CC_RELEASE_EVENT)) << Trace();
  EXPECT_EQ(cause, 21u);
  EXPECT_TRUE(Eventually("tarrowhm: command 1 for call 5 carried out")) << Trace();
  EXPECT_TRUE(Eventually("tarrowhm: command 2 for call 6 carried out"));
  // A request for a channel whose call is gone is refused with its message.
  ASSERT_TRUE(second.Request(IP_CC_CONNECT_REQUEST));
  EXPECT_TRUE(
      Eventually("ProcessCallRequest:invalid call record: hm=0x81, hcr=0x0, req=CONNECT(6)"))
      << Trace();

  // The answered call connects, then the far end releases it.
  EXPECT_EQ(first.Next(), static_cast<uint32_t>(IP_CC_CONNECT_EVENT)) << Trace();
  EXPECT_EQ(first.Next(nullptr, &cause), static_cast<uint32_t>(IP_CC_RELEASE_EVENT));
  EXPECT_EQ(cause, 16u);
}

TEST_F(IpCallTest, AStoppingHostModuleReleasesItsCallsUdptlConnections) {
  const std::string script = Write("events.txt",
                                   "0 call_offered 5 1000 2000\n"
                                   "0 media_offer 5 @198.51.100.7:40000 T38MaxBitRate:9600\n");
  Configure(std::string("host_module_trace = verbose\n[module.2]\nset_api = vtx\n") +
            "[module.2/host_cc.1]\nhost_module = 1\nnumber_of_channels = 1\n" +
            "[host_module.1]\nenabled = true\nmodule_library = " + TARROWHM_PATH +
            "\n[host_module.1/parameters]\nevent_script = " + script + "\n");
  ASSERT_EQ(Init(), 1) << Trace();
  ASSERT_TRUE(Eventually("[2,0] UDPTL connection made: hm=0x81, hcr=0x5")) << Trace();
  CallCtrlShutdown();
  EXPECT_TRUE(Traced("[2,0] UDPTL connection released: hm=0x81, hcr=0x5")) << Trace();
  EXPECT_EQ(UdptlConnections(), 0);
}

TEST_F(IpCallTest, SeveralHostCcEntriesOfAModuleEachServeChannelsOfTheirOwn) {
  ChannelApplication first(0), second(1);
  ASSERT_TRUE(first.attached() && second.attached());
  ConfigureHost(
      "[module.2]\nset_api = vtx\n"
      "[module.2/host_cc.1]\nhost_module = 1\nnumber_of_channels = 1\n"
      "[module.2/host_cc.2]\nhost_module = 1\nnumber_of_channels = 1\n",
      "inbound_call_timeout = 0\n",
      "0 call_offered 5 1000 2000\n"
      "0 media_offer 5 @198.51.100.7:40000 T38MaxBitRate:9600\n"
      "0 call_offered 6 1001 2000\n"
      "0 media_offer 6 @198.51.100.8:40002 T38MaxBitRate:9600\n"
      "0 call_offered 7 1002 2000\n");
  ASSERT_EQ(Init(), 1) << Trace();
  // The second entry's channel follows the first entry's on the module, on the board as well.
  ASSERT_TRUE(Eventually("[2,1] UDPTL connection made: hm=0x81, hcr=0x6")) << Trace();
  EXPECT_TRUE(Traced("[2,0] UDPTL connection made: hm=0x81, hcr=0x5"));
  EXPECT_FALSE(Traced("has no IP channels"));
  std::vector<uint32_t> units;
  for (const sim::SwitchConnection& c : machine().FindModule(2)->telephony().connections) {
    if (c.dest.port.port_class == VTX_PORT_CLASS_UDPTL) units.push_back(c.source.port.unit);
  }
  EXPECT_EQ(units, (std::vector<uint32_t>{0, 1}));
  // With both channels taken the next call is released at once, and the library told why.
  EXPECT_TRUE(Eventually("tarrowhm: command 2 for call 7 carried out")) << Trace();
  EXPECT_TRUE(Traced("hcr=0x7, cause=34"));

  // Each channel's application hears its own call, and a release ends that call alone.
  std::string calling;
  ASSERT_EQ(second.Next(&calling), static_cast<uint32_t>(IP_CC_SETUP_IND_EVENT)) << Trace();
  EXPECT_EQ(calling, "1001");
  ASSERT_TRUE(second.Request(IP_CC_RELEASE_REQUEST));
  EXPECT_TRUE(Eventually("[2,1] UDPTL connection released: hm=0x81, hcr=0x6")) << Trace();
  EXPECT_EQ(UdptlConnections(), 1) << "call 5 keeps its connection";
  ASSERT_EQ(first.Next(&calling), static_cast<uint32_t>(IP_CC_SETUP_IND_EVENT));
  EXPECT_EQ(calling, "1000");
}

TEST_F(IpCallTest, CallsOfAHostModuleWhoseBoardModuleDidNotStartAreReleasedAtOnce) {
  // Module 3 is not on the machine: no IP channel serves host module 1.
  ConfigureHost(
      "[module.3]\nset_api = vtx\n[module.3/host_cc.1]\nhost_module = 1\n"
      "number_of_channels = 2\n",
      "",
      "0 call_offered 5 1000 2000\n"
      "0 call_offered 6 1001 2000\n");
  Init();
  ASSERT_TRUE(Traced("Host module 0x1 Initialised OK")) << Trace();
  EXPECT_TRUE(Traced("Host module 0x1 has no IP channels")) << "the administrator is warned";
  // The library is told to release each call, so that it does not hold them.
  ASSERT_TRUE(Eventually("tarrowhm: command 2 for call 6 carried out")) << Trace();
  EXPECT_TRUE(Traced("tarrowhm: command 2 for call 5 carried out"));
  EXPECT_TRUE(Traced("hcr=0x5, cause=34")) << Trace();
  EXPECT_FALSE(Traced("event=Event_CIPI_CallOffered")) << Trace();
}

}  // namespace
}  // namespace vtx::callctrl::testing
