#include "os/private_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

// The default socket's folder in /tmp, where anyone may create names first: only one that is
// this user's own and closed to others is used.
TEST(PrivateFolder, OnlyAFolderOfThisUsersAloneIsFit) {
  vtx::testing::TempDir dir("private");
  const std::string made = dir.Path("made");
  EXPECT_EQ(os::CheckPrivateFolder(made, false), made + ": No such file or directory");
  EXPECT_EQ(os::CheckPrivateFolder(made, true), "");
  struct stat info {};
  ASSERT_EQ(stat(made.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  ASSERT_EQ(chmod(made.c_str(), 0755), 0);
  EXPECT_EQ(os::CheckPrivateFolder(made, true), made + ": open to other users (mode 0755)");
  ASSERT_EQ(chmod(made.c_str(), 0700), 0);
  ASSERT_EQ(chown(made.c_str(), 65534, 65534), 0) << "the test runs as root";
  EXPECT_EQ(os::CheckPrivateFolder(made, true), made + ": owned by uid 65534, not by this user");

  const std::string file = dir.Path("file");
  std::ofstream(file) << "x";
  EXPECT_EQ(os::CheckPrivateFolder(file, true), file + ": not a directory");
  const std::string link = dir.Path("link");
  ASSERT_EQ(symlink(made.c_str(), link.c_str()), 0);
  EXPECT_EQ(os::CheckPrivateFolder(link, true), link + ": not a directory")
      << "links are not followed";
}

}  // namespace
