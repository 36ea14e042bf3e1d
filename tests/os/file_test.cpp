#include "os/file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

TEST(FileOpen, BinaryModeKeepsUpdateAccessAndMissingFilesFail) {
  vtx::testing::TempDir dir("os_file");
  std::string path = dir.Path("file");
  FILE* out = os::FileOpen(path.c_str(), "w", true);
  ASSERT_NE(out, nullptr);
  fputs("abc", out);
  os::FileClose(out);

  // "r+" with the binary flag becomes "rb+": still open for reading and writing.
  FILE* update = os::FileOpen(path.c_str(), "r+", true);
  ASSERT_NE(update, nullptr);
  EXPECT_EQ(fgetc(update), 'a');
  fseek(update, 0, SEEK_CUR);
  EXPECT_EQ(fputc('X', update), 'X');
  os::FileClose(update);

  FILE* text = os::FileOpen(path.c_str(), "r", false);
  ASSERT_NE(text, nullptr);
  char content[8] = {};
  ASSERT_NE(fgets(content, sizeof content, text), nullptr);
  EXPECT_STREQ(content, "aXc");
  os::FileClose(text);

  unlink(path.c_str());
  EXPECT_EQ(os::FileOpen(path.c_str(), "r", true), nullptr);
  EXPECT_EQ(os::FileOpen(path.c_str(), "", true), nullptr);
  EXPECT_EQ(errno, EINVAL);
  os::FileClose(nullptr);  // closing nothing is harmless
}

}  // namespace
