// The board maintenance subcommands of tarrow, run as programs against a served machine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/tools/served_machine.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class BoardCommands : public vtx::testing::ServedMachineTest {
 protected:
  // An image file naming `version`, ending with its CRC-32 unless `corrupt`.
  std::string Image(const char* name, const std::string& version, size_t size, bool corrupt) {
    std::vector<uint8_t> image(size, 0x3C);
    const std::string line = "TARROW FIRMWARE " + version + "\n";
    std::copy(line.begin(), line.end(), image.begin());
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), image.data(), static_cast<uInt>(size - 4));
    for (size_t i = 0; i < 4; ++i) image[size - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
    if (corrupt) image[size / 2] ^= 0x01;
    const std::string path = dir_.Path(name);
    FILE* file = fopen(path.c_str(), "wb");
    fwrite(image.data(), 1, image.size(), file);
    fclose(file);
    return path;
  }

  vtx::testing::TempDir dir_;
};

TEST_F(BoardCommands, FirmwareDownloadChangesTheVersionOrSaysWhyNot) {
  std::string out;
  const std::string good = Image("good.img", "6.3.0.2 2026-12-02 update", 120000, false);
  ASSERT_EQ(Run("firmware 2 " + good, &out), 0) << err_;
  EXPECT_THAT(out, HasSubstr("module 0x2: firmware image " + good + " of 120000 bytes downloaded"));
  EXPECT_THAT(err_, HasSubstr("56336/120000 bytes (46%)\n"));
  EXPECT_THAT(err_, HasSubstr("120000/120000 bytes (100%)\n"));
  ASSERT_EQ(Run("versions 2", &out), 0) << err_;
  EXPECT_THAT(out, HasSubstr("control      6.3.0.2      0        2026-12-02 update"));

  const std::string bad = Image("bad.img", "6.4.0.0", 60000, true);
  EXPECT_EQ(Run("firmware 2 " + bad, &out), 1);
  EXPECT_THAT(err_, HasSubstr("tarrow firmware: refused with result 5: CRC error"));
  EXPECT_THAT(out, Not(HasSubstr("downloaded")));
  ASSERT_EQ(Run("versions 2", &out), 0) << err_;
  EXPECT_THAT(out, HasSubstr("control      6.3.0.2"));

  EXPECT_EQ(Run("firmware 2 " + dir_.Path("missing.img"), &out), 1);
  EXPECT_THAT(err_, HasSubstr("missing.img: No such file or directory"));
  EXPECT_EQ(Run("firmware 2 " + good + " --type 2", &out), 1) << "the module's bus takes type 3";
  EXPECT_THAT(err_, HasSubstr("does not have a required capability"));
  EXPECT_EQ(Run("firmware 2 " + good + " --type 4", &out), 2);
  EXPECT_EQ(Run("firmware 2", &out), 2);
  EXPECT_EQ(board().maintenance().download.installed, 1u);
}

}  // namespace
