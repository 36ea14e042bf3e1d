#include "sim/machine_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "admin.h"
#include "fax.h"
#include "sig_det.h"
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
  }
}

TEST(MachineFileTest, ShippedMachinesLoad) {
  for (const char* name : {"chassis4.cfg", "virtual-ip.cfg"}) {
    sim::Machine machine;
    std::string error;
    EXPECT_TRUE(sim::LoadMachineFile(Board(name), machine, error)) << name << ": " << error;
    EXPECT_FALSE(machine.ModuleNumbers().empty()) << name;
  }
}

TEST(MachineFileTest, EveryProblemIsToldWithItsLine) {
  vtx::testing::TempDir dir;
  std::string path = dir.path() + "/bad.cfg";
  std::ofstream(path) << "[driver]\n"
                         "interface_version=abc\n"
                         "[module.2]\n"
                         "name=GANTRY test\n"
                         "num_channels=4\n"
                         "colour=red\n"
                         "facilities=FAX WARP\n"
                         "[module.1]\n"
                         "[module.3]\n"
                         "name=no channels\n";
  sim::Machine machine;
  std::string error;
  EXPECT_FALSE(sim::LoadMachineFile(path, machine, error));
  EXPECT_EQ(error,
            path + ":2: expected a number from 0 to 2147483647 for interface_version, got 'abc'\n" +
                path + ":6: expected a key of [module.2], got 'colour'\n" + path +
                ":7: expected a facility name (ADMIN, SPEECH, FAX, ...), got 'WARP'\n" + path +
                ":8: expected [driver] or [module.N] with N from 2 to 254, got [module.1]\n" +
                path + ":9: expected name and num_channels (0 to 255) in [module.3]\n");

  EXPECT_FALSE(sim::LoadMachineFile(dir.path() + "/missing.cfg", machine, error));
  EXPECT_NE(error.find("missing.cfg: cannot read the machine file"), std::string::npos);
}

TEST(MachineFileTest, CapabilityListsKeepTheirOrderAndTellTheirProblems) {
  vtx::testing::TempDir dir;
  std::string path = dir.path() + "/caps.cfg";
  std::ofstream(path) << "[module.2]\n"
                         "name=GANTRY test\n"
                         "num_channels=2\n"
                         "[module.2/capabilities.speech]\n"
                         "CAP_FORMATS=0x4\n"
                         "0x99=7\n"
                         "CAP_FEATURES=1\n"
                         "[module.2/capabilities.FAX]\n"
                         "answers=no\n"
                         "[module.2/capabilities.SIG_DET]\n";
  sim::Machine machine;
  std::string error;
  ASSERT_TRUE(sim::LoadMachineFile(path, machine, error)) << error;
  const auto& lists = machine.FindModule(2)->report.capabilities;
  using Tags = std::vector<std::pair<uint32_t, uint32_t>>;
  EXPECT_EQ(lists.at(MILL_FACILITY_SPEECH).tags, (Tags{{0x10, 4}, {0x99, 7}, {0x11, 1}}));
  EXPECT_FALSE(lists.at(MILL_FACILITY_FAX).answers);
  EXPECT_TRUE(lists.at(MILL_FACILITY_SIG_DET).answers);
  EXPECT_TRUE(lists.at(MILL_FACILITY_SIG_DET).tags.empty());

  std::ofstream(path) << "[module.2]\n"
                         "name=GANTRY test\n"
                         "num_channels=2\n"
                         "[module.2/capabilities.WARP]\n"
                         "[module.2/capabilities.ADMIN]\n"
                         "CAP_FORMATS=1\n"
                         "CAPABILITIES=-1\n"
                         "answers=maybe\n";
  EXPECT_FALSE(sim::LoadMachineFile(path, machine, error));
  EXPECT_EQ(error,
            path + ":4: expected a facility name (ADMIN, SPEECH, FAX, ...) in " +
                "[module.2/capabilities.WARP], got 'WARP'\n" + path +
                ":6: expected a tag of ADMIN (a name or a number), got 'CAP_FORMATS'\n" + path +
                ":7: expected a number from 0 to 0xFFFFFFFF for CAPABILITIES, got '-1'\n" + path +
                ":8: expected yes or no for answers, got 'maybe'\n");
}

}  // namespace
