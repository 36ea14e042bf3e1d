// Every file reader of the tools handed what is not its file: a directory, a FIFO (which would
// block a reader for ever) and a file larger than the reader's limit. Each is refused at once
// with one message naming the file, and the command fails.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/support/program.h"
#include "tests/support/temp_dir.h"

namespace vtx::testing {
namespace {

using ::testing::HasSubstr;

TEST(FileReaders, RefuseDirectoriesFifosAndOversizedFiles) {
  TempDir dir("readers");
  const std::string folder = dir.Path("folder"), fifo = dir.Path("fifo"), huge = dir.Path("huge");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Sparse, larger than every reader's limit.
  FILE* grow = fopen(huge.c_str(), "w");
  ASSERT_NE(grow, nullptr);
  fclose(grow);
  ASSERT_EQ(truncate(huge.c_str(), 300 << 20), 0);

  // Each reader as a command line, FILE standing for the file it is given.
  const std::string tarrow = "TARROW_DRIVER=sim timeout 30 " + TarrowCommand();
  const std::string readers[] = {
      tarrow + "check-config FILE",
      tarrow + "check-prefs FILE",
      tarrow + "cparm print FILE",
      tarrow + "decode FILE",
      tarrow + "details --devices FILE",
      tarrow + "protocol check FILE",
      tarrow + "reset 2 --config FILE",
      tarrow + "callctrl --config FILE",
      "TARROW_SIM_BOARD=FILE " + tarrow + "modules",
      "timeout 30 " + std::string(TARROW_BINARY_DIR) + "/bin/tarrow-simd --socket " +
          dir.Path("simd.sock") + " --board FILE",
  };
  for (const std::string& reader : readers) {
    for (const std::string& path : {folder, fifo, huge}) {
      std::string command = reader;
      command.replace(command.find("FILE"), 4, path);
      SCOPED_TRACE(command);
      std::string out;
      // A machine file in the environment is a setting: refused, it stops tarrow as a usage error.
      const int refused = command.rfind("TARROW_SIM_BOARD", 0) == 0 ? 2 : 1;
      EXPECT_EQ(RunCommand(command + " 2>&1", &out), refused) << out;
      // The message names the file (a checker's report leads with it) and the reason.
      EXPECT_THAT(out, HasSubstr(path + ": "));
      EXPECT_THAT(out, HasSubstr(path == huge ? "larger than " : "not a regular file"));
    }
  }
}

}  // namespace
}  // namespace vtx::testing
