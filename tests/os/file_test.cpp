#include "os/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// What a reader is handed instead of its file: each refused at once with one message naming the
// file, and the system's own reason where it has one.
TEST(OpenRegularFile, RefusesWhatIsNoFileOrTooLargeAndTellsWhy) {
  vtx::testing::TempDir dir("os_file");
  const std::string file = dir.Path("file"), fifo = dir.Path("fifo");
  {
    FILE* out = fopen(file.c_str(), "w");
    fputs("0123456789", out);
    fclose(out);
  }
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string error, content;
  EXPECT_EQ(os::OpenRegularFile(dir.path().c_str(), true, 100, error), nullptr);
  EXPECT_EQ(error, dir.path() + ": not a regular file");
  EXPECT_EQ(os::OpenRegularFile(fifo.c_str(), true, 100, error), nullptr) << "never blocks";
  EXPECT_EQ(error, fifo + ": not a regular file");
  EXPECT_EQ(os::OpenRegularFile("/dev/zero", true, 100, error), nullptr);
  EXPECT_EQ(error, "/dev/zero: not a regular file");
  EXPECT_EQ(os::OpenRegularFile(dir.Path("absent").c_str(), true, 100, error), nullptr);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(error, dir.Path("absent") + ": No such file or directory");
  EXPECT_FALSE(os::ReadRegularFile(file.c_str(), 9, content, error));
  EXPECT_EQ(error, file + ": larger than 9 bytes");
  ASSERT_TRUE(os::ReadRegularFile(file.c_str(), 10, content, error)) << error;
  EXPECT_EQ(content, "0123456789");

  // A file that may not be read says so, not that it is missing: checked as another user, since
  // the test runs as root.
  ASSERT_EQ(chmod(file.c_str(), 0600), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    std::string denied;
    FILE* stream = os::OpenRegularFile(file.c_str(), true, 100, denied);
    _exit(stream == nullptr && denied == file + ": Permission denied" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
