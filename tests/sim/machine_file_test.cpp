#include "sim/machine_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "admin.h"
#include "fax.h"
#include "sig_det.h"
#include "sim/telephony.h"
#include "speech.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Board(const char* name) {
  return std::string(TARROW_SOURCE_DIR) + "/sim/boards/" + name;
}

std::string VersionText(const sim::FwVersion& v) {
  return std::to_string(v.major) + "." + std::to_string(v.middle) + "." + std::to_string(v.minor) +
         "." + std::to_string(v.build) + "/" + std::to_string(v.auto_num) + "/" + v.date + "/" +
         v.comment;
}

// The telephony side in one comparable line per port, connection and interface.
std::string TelephonyText(const sim::Telephony& t) {
  std::string text;
  auto add = [&text](std::initializer_list<uint32_t> numbers) {
    for (uint32_t n : numbers) text += std::to_string(n) + " ";
    text += "\n";
  };
  for (const sim::HardwarePort& p : t.hardware) add({p.unit, p.port_types});
  for (const sim::SwitchPort& p : t.switch_ports) {
    add({p.port_class, p.unit, p.stream, p.slot, p.port_type});
  }
  const auto& m = t.media_address;
  add({m[0], m[1], m[2], m[3], t.media_port_first, t.media_port_last});
  for (const auto* list : {&t.interfaces, &t.saved_interfaces}) {
    for (const sim::NetInterface& n : *list) {
      add({n.address[0], n.address[3], n.netmask[0], n.netmask[3], n.gateway[0], n.gateway[3],
           n.speed, n.duplex, n.flow_control, n.arp_timeout, n.mac[0], n.mac[4], n.mac[5]});
    }
    text += "--\n";
  }
  return text + std::to_string(t.connections.size());
}

// A machine file of the test's own: written with `text`, loaded into `machine`; `error` tells why
// not.
class MachineFileText : public ::testing::Test {
 protected:
  bool Load(const std::string& text) {
    std::ofstream(path_) << text;
    return sim::LoadMachineFile(path_, machine_, error_);
  }
  // The loader's message for each of (line, problem).
  std::string Problems(std::initializer_list<std::pair<int, std::string>> lines) const {
    std::string text;
    for (const auto& [line, problem] : lines) {
      text += path_ + ":" + std::to_string(line) + ": " + problem + "\n";
    }
    return text;
  }
  vtx::testing::TempDir dir_;
  std::string path_ = dir_.Path("machine.cfg");
  sim::Machine machine_;
  std::string error_;
};

TEST(MachineFileTest, DefaultFileIsTheBuiltInMachine) {
  sim::Machine loaded;
  std::string error;
  ASSERT_TRUE(sim::LoadMachineFile(Board("default.cfg"), loaded, error)) << error;
  auto built_in = sim::Machine::Default();
  EXPECT_EQ(loaded.ModuleNumbers(), built_in->ModuleNumbers());
  VtxDriverVersion a = loaded.DriverVersion();
  VtxDriverVersion b = built_in->DriverVersion();
  EXPECT_EQ(0, memcmp(&a, &b, sizeof a));
  for (uint8_t m : built_in->ModuleNumbers()) {
    sim::Module& expected = *built_in->FindModule(m);
    sim::Module& got = *loaded.FindModule(m);
    EXPECT_EQ(0, memcmp(&got.info(), &expected.info(), sizeof expected.info())) << int(m);
    EXPECT_EQ(got.facilities(), expected.facilities());
    ASSERT_EQ(got.config_specs().size(), expected.config_specs().size());
    for (const auto& [number, spec] : expected.config_specs()) {
      EXPECT_EQ(got.config_specs()[number].value, spec.value);
      EXPECT_EQ(got.config_specs()[number].description, spec.description);
    }
    EXPECT_EQ(VersionText(got.report.control_proc), VersionText(expected.report.control_proc));
    ASSERT_EQ(got.report.dsps.size(), expected.report.dsps.size());
    for (size_t i = 0; i < expected.report.dsps.size(); ++i) {
      EXPECT_EQ(VersionText(got.report.dsps[i].version),
                VersionText(expected.report.dsps[i].version));
      EXPECT_EQ(got.report.dsps[i].load_mask, expected.report.dsps[i].load_mask);
    }
    EXPECT_EQ(got.report.features, expected.report.features);
    EXPECT_EQ(got.report.dsp_lists_per_event, expected.report.dsp_lists_per_event);
    EXPECT_EQ(got.report.capabilities, expected.report.capabilities) << int(m);
    EXPECT_EQ(got.report.reset_delay_ms, expected.report.reset_delay_ms);
    EXPECT_EQ(got.report.feature_delay_ms, expected.report.feature_delay_ms);
    EXPECT_EQ(TelephonyText(got.telephony()), TelephonyText(expected.telephony())) << int(m);
  }
}

TEST_F(MachineFileText, TelephonyKindsReplaceTheirDefaultsInIndexOrder) {
  ASSERT_TRUE(
      Load("[module.2]\nname=T\nnum_channels=2\n"
           "[module.2/hardware_port.10]\nunit=10\nport_types=0x200\nreset_result=3\n"
           "[module.2/telephony_control]\nparams_save_result=4\n"
           "[module.2/hardware_port.2]\nunit=0\nport_types=0x4\n"
           "[module.2/ethernet.1]\naddress=10.1.2.3\nmac=00:1c:7A:00:02:Fe\nspeed=2\n"
           "[module.2/media]\nport_first=30000\nport_last=30010\n"
           "[module.3]\nname=U\nnum_channels=1\n"))
      << error_;
  const sim::Telephony& t = machine_.FindModule(2)->telephony();
  ASSERT_EQ(t.hardware.size(), 2u);
  EXPECT_EQ(t.hardware[0].unit, 0u);
  EXPECT_EQ(t.hardware[1].port_types, 0x200u);
  EXPECT_EQ(t.hardware[1].reset_result, 3u);
  EXPECT_EQ(t.params_save_result, 4u);
  EXPECT_EQ(t.switch_ports.size(), 4u) << "switch ports not named: the default ones";
  ASSERT_EQ(t.interfaces.size(), 1u);
  EXPECT_EQ(t.interfaces[0].address[3], 3);
  EXPECT_EQ(t.interfaces[0].netmask[0], 0) << "an interface starts from nothing";
  EXPECT_EQ(t.interfaces[0].mac[5], 0xFE);
  EXPECT_EQ(t.interfaces[0].speed, 2u);
  EXPECT_EQ(t.saved_interfaces.size(), 1u);
  EXPECT_EQ(t.media_port_first, 30000);
  EXPECT_EQ(t.media_address[3], 2) << "a media key not named keeps its default";
  EXPECT_EQ(TelephonyText(machine_.FindModule(3)->telephony()),
            TelephonyText(sim::DefaultTelephony(3, 1)));

  EXPECT_FALSE(
      Load("[module.2]\nname=T\nnum_channels=2\n"
           "[module.2/ethernet.1]\naddress=10.1.2\nmac=00:1C:7A:00:02\nduplex=256\n"
           "[module.2/switch_port.0]\nslot=1\nclass_=1\n"
           "[module.2/media]\nport_first=30010\nport_last=30000\n"
           "[module.2/ports]\n"));
  EXPECT_EQ(error_,
            Problems({{5, "expected a dotted address A.B.C.D for address, got '10.1.2'"},
                      {6,
                       "expected six hexadecimal bytes as 00:1C:7A:00:02:01 for mac, got "
                       "'00:1C:7A:00:02'"},
                      {7, "expected a number from 0 to 255 for duplex, got '256'"},
                      {10,
                       "expected class, unit, stream, slot, port_type in "
                       "[module.2/switch_port.0], got 'class_'"},
                      {11,
                       "expected port_first at most port_last in [module.2/media], got 30010 "
                       "and 30000"},
                      {14,
                       "expected [module.2/config_spec.N], [.../control_proc_ver], "
                       "[.../dsp_ver.N], [.../feature.N], [.../capabilities.F], "
                       "[.../maintenance], [.../tones.C] or a telephony subsection, got "
                       "[module.2/ports]"}}));
}

TEST_F(MachineFileText, EveryProblemIsToldWithItsLine) {
  EXPECT_FALSE(
      Load("[driver]\ninterface_version=abc\n[module.2]\nname=GANTRY test\n"
           "num_channels=4\ncolour=red\nfacilities=FAX WARP\n[module.1]\n"
           "[module.3]\nname=no channels\n"));
  EXPECT_EQ(error_,
            Problems({{2,
                       "expected a number from 0 to 2147483647 for interface_version, got "
                       "'abc'"},
                      {6, "expected a key of [module.2], got 'colour'"},
                      {7, "expected a facility name (ADMIN, SPEECH, FAX, ...), got 'WARP'"},
                      {8, "expected [driver] or [module.N] with N from 2 to 254, got [module.1]"},
                      {9, "expected name and num_channels (0 to 255) in [module.3]"}}));

  EXPECT_FALSE(sim::LoadMachineFile(dir_.Path("missing.cfg"), machine_, error_));
  EXPECT_EQ(error_, dir_.Path("missing.cfg") + ": No such file or directory\n");
}

// The log keeps the newest commands, oldest first, however many arrive; a size of 0 keeps none.
TEST_F(MachineFileText, CommandLogKeepsTheLastCommandsTheFileAllows) {
  ASSERT_TRUE(
      Load("[module.2]\nname=GANTRY log\nnum_channels=2\ncommand_log=3\n"
           "[module.3]\nname=CORBEL quiet\nnum_channels=2\ncommand_log=0\n"))
      << error_;
  auto codes = [](const sim::Module& module) {
    std::vector<uint32_t> seen;
    for (const auto& command : module.CommandLog()) seen.push_back(command.code);
    return seen;
  };
  sim::Module& logged = *machine_.FindModule(2);
  sim::Module& quiet = *machine_.FindModule(3);
  sim::FwCommand command;
  command.tags.push_back(sim::FwTag::Int(0x20, MILL_TYPE_LONG, 1));
  for (uint32_t code = 1; code <= 5; ++code) {
    command.code = code;
    logged.LogCommand(command);
    quiet.LogCommand(command);
  }
  EXPECT_EQ(codes(logged), (std::vector<uint32_t>{3, 4, 5}));
  EXPECT_EQ(logged.CommandLog()[2].tags[0].Value(), 1u);
  EXPECT_TRUE(quiet.CommandLog().empty());
  logged.ClearCommandLog();
  command.code = 6;
  logged.LogCommand(command);
  EXPECT_EQ(codes(logged), (std::vector<uint32_t>{6}));
  EXPECT_EQ(sim::Module(4).CommandLogSize(), sim::kDefaultCommandLogSize);

  EXPECT_FALSE(Load("[module.2]\nname=GANTRY log\nnum_channels=2\ncommand_log=lots\n"));
  EXPECT_EQ(error_, Problems({{4,
                               "expected a number from 0 to 100000 for command_log, got "
                               "'lots'"}}));
}

TEST_F(MachineFileText, CapabilityListsKeepTheirOrderAndTellTheirProblems) {
  ASSERT_TRUE(
      Load("[module.2]\nname=GANTRY test\nnum_channels=2\n"
           "[module.2/capabilities.speech]\nCAP_FORMATS=0x4\n0x99=7\nCAP_FEATURES=1\n"
           "[module.2/capabilities.FAX]\nanswers=no\n[module.2/capabilities.SIG_DET]\n"))
      << error_;
  const auto& lists = machine_.FindModule(2)->report.capabilities;
  using Tags = std::vector<std::pair<uint32_t, uint32_t>>;
  EXPECT_EQ(lists.at(MILL_FACILITY_SPEECH).tags, (Tags{{0x10, 4}, {0x99, 7}, {0x11, 1}}));
  EXPECT_FALSE(lists.at(MILL_FACILITY_FAX).answers);
  EXPECT_TRUE(lists.at(MILL_FACILITY_SIG_DET).answers);
  EXPECT_TRUE(lists.at(MILL_FACILITY_SIG_DET).tags.empty());

  EXPECT_FALSE(
      Load("[module.2]\nname=GANTRY test\nnum_channels=2\n"
           "[module.2/capabilities.WARP]\n[module.2/capabilities.ADMIN]\n"
           "CAP_FORMATS=1\nCAPABILITIES=-1\nanswers=maybe\n"));
  EXPECT_EQ(error_, Problems({{4,
                               "expected a facility name (ADMIN, SPEECH, FAX, ...) in "
                               "[module.2/capabilities.WARP], got 'WARP'"},
                              {6,
                               "expected a tag of ADMIN (a name or a number), got "
                               "'CAP_FORMATS'"},
                              {7,
                               "expected a number from 0 to 0xFFFFFFFF for CAPABILITIES, got "
                               "'-1'"},
                              {8, "expected yes or no for answers, got 'maybe'"}}));
}

TEST_F(MachineFileText, MaintenanceSectionSetsImagesTemperatureAndState) {
  ASSERT_TRUE(
      Load("[module.2]\nname=M\nnum_channels=1\n[module.2/maintenance]\n"
           "image_check=none\ncontrol_proc_reset=1\ntemperature=-5\nboard_state=3\n"))
      << error_;
  sim::Module& module = *machine_.FindModule(2);
  EXPECT_FALSE(module.maintenance().download.check_crc);
  EXPECT_TRUE(module.maintenance().download.control_proc_reset);
  const auto& built_in = module.built_in_variables();
  EXPECT_EQ(built_in.at({MILL_FACILITY_ADMIN, ADMIN_BOARD_TEMP_VAR}).data,
            (std::vector<uint8_t>{0xFB, 0xFF}));
  EXPECT_EQ(built_in.at({MILL_FACILITY_ADMIN, ADMIN_BOARD_STATE_VAR}).Value(), 3u);

  EXPECT_FALSE(
      Load("[module.2]\nname=M\nnum_channels=1\n[module.2/maintenance]\n"
           "image_check=md5\ncontrol_proc_reset=2\ntemperature=40000\nboard_state=x\n"
           "fan=1\n"));
  EXPECT_EQ(error_,
            Problems({{5, "expected none or crc32 for image_check, got 'md5'"},
                      {6, "expected 0 or 1 for control_proc_reset, got '2'"},
                      {7, "expected degrees from -32768 to 32767 for temperature, got '40000'"},
                      {8, "expected a number from 0 to 255 for board_state, got 'x'"},
                      {9,
                       "expected image_check, control_proc_reset, temperature or "
                       "board_state, got 'fan'"}}));
}

TEST_F(MachineFileText, TonesSectionsGiveWhatEachChannelHears) {
  ASSERT_TRUE(
      Load("[module.2]\nname=M\nnum_channels=4\n"
           "[module.2/tones.3]\ndigits=12*#D\ntone_length=80\ngap=0\n"
           "[module.2/tones.1]\ndigits=5\n"))
      << error_;
  const auto& heard = machine_.FindModule(2)->heard_tones();
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_EQ(heard.at(3).digits, "12*#D");
  EXPECT_EQ(heard.at(3).tone_ms, 80u);
  EXPECT_EQ(heard.at(3).gap_ms, 0u);
  EXPECT_EQ(heard.at(1).tone_ms, 100u) << "the default length";

  EXPECT_FALSE(
      Load("[module.2]\nname=M\nnum_channels=4\n"
           "[module.2/tones.1]\ndigits=12x\ntone_length=0\ngap=70000\npitch=3\n"));
  EXPECT_EQ(error_, Problems({{5, "expected DTMF characters (0-9 * # A-D) for digits, got '12x'"},
                              {6, "expected milliseconds from 1 to 60000 for tone_length, got '0'"},
                              {7, "expected milliseconds from 0 to 60000 for gap, got '70000'"},
                              {8, "expected digits, tone_length or gap, got 'pitch'"}}));
}

}  // namespace
