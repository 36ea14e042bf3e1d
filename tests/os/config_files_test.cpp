#include "os/config_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/scoped_env.h"

namespace {

using ::testing::ElementsAre;

// The order of the places and that none is listed twice; where a file is found is proven by the
// country parameter file and the call-control configuration that are looked for this way.
TEST(ConfigFilePlaces, CurrentFolderThenBesideTheNamingFileThenTheRegistryFolder) {
  vtx::testing::ScopedEnv registry("CRVN_REGISTRY", "/srv/tarrow/registry.reg");
  EXPECT_EQ(os::ConfigFolder(), "/srv/tarrow");
  EXPECT_THAT(os::ConfigFilePlaces("CV_CPARM.CFG", "/home/a/cvcall.cfg"),
              ElementsAre("CV_CPARM.CFG", "/home/a/CV_CPARM.CFG", "/srv/tarrow/CV_CPARM.CFG"));
  EXPECT_THAT(os::ConfigFilePlaces("sub/c.cfg", "cvcall.cfg"),
              ElementsAre("sub/c.cfg", "/srv/tarrow/sub/c.cfg"));
  EXPECT_THAT(os::ConfigFilePlaces("c.cfg", "/srv/tarrow/cvcall.cfg"),
              ElementsAre("c.cfg", "/srv/tarrow/c.cfg"));
  EXPECT_THAT(os::ConfigFilePlaces("c.cfg", "/cvcall.cfg"),
              ElementsAre("c.cfg", "/c.cfg", "/srv/tarrow/c.cfg"));
  EXPECT_THAT(os::ConfigFilePlaces("/etc/c.cfg", "/home/a/cvcall.cfg"), ElementsAre("/etc/c.cfg"));
  EXPECT_THAT(os::ConfigFilePlaces("", nullptr), ElementsAre(""));
  EXPECT_EQ(os::FindConfigFile("nowhere.cfg", "/home/a/cvcall.cfg"), "nowhere.cfg");

  vtx::testing::ScopedEnv unset("CRVN_REGISTRY", "");
  EXPECT_EQ(os::ConfigFolder(), "/etc/corvane");
}

}  // namespace
