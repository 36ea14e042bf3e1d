#include "cfg/cfg_text_file.h"

#include <string>

#include "cfg_fixture.h"

namespace vtx::cfg::testing {
namespace {

TEST_F(CfgTest, TextFileRecordsLineEndsAndDropsCarriageReturns) {
  // Lines longer than a read block and short enough to stay inside a string both come back.
  const std::string long_line(3000, 'L');
  WriteFile("t.cfg", "one\r\ntw\ro\n" + long_line + "\n\nlast\r");
  cfgTextFile file(Path("t.cfg").c_str());
  ASSERT_TRUE(file.open(cfgTextFile::kRead));
  ASSERT_TRUE(file.readAll());
  ASSERT_EQ(file.lineCount(), 5u);
  EXPECT_EQ(file.line(0), "one");
  EXPECT_EQ(file.line(1), "two");
  EXPECT_EQ(file.line(2), long_line);
  EXPECT_EQ(file.line(3), "");
  EXPECT_EQ(file.line(4), "last");
  EXPECT_EQ((std::vector<long>{file.lineEnd(0), file.lineEnd(1), file.lineEnd(2), file.lineEnd(3),
                               file.lineEnd(4)}),
            (std::vector<long>{cfgTextFile::kCRLF, cfgTextFile::kCRLF, cfgTextFile::kLF,
                               cfgTextFile::kLF, cfgTextFile::kNoLineEnd}));
  EXPECT_THROW(file.line(5), cfgError);
  file.close();
  EXPECT_FALSE(file.good());
}

TEST_F(CfgTest, TextFileWritesOnCloseWithKeptOrChosenLineEnds) {
  cfgTextFile file(Path("w.cfg").c_str());
  ASSERT_TRUE(file.open(cfgTextFile::kWrite));
  file.append("a", cfgTextFile::kCRLF);
  file.append("b", cfgTextFile::kLF);
  file.append("c", cfgTextFile::kNoLineEnd);
  EXPECT_EQ(ReadFile(Path("w.cfg")), "<absent>") << "nothing reaches the disk before close";
  EXPECT_TRUE(file.close());
  EXPECT_EQ(ReadFile(Path("w.cfg")), "a\r\nb\nc");
  EXPECT_TRUE(file.open(cfgTextFile::kWrite));
  file.append("x", cfgTextFile::kCRLF);
  file.append("y", cfgTextFile::kNoLineEnd);
  EXPECT_TRUE(file.write(cfgTextFile::kLF));
  EXPECT_EQ(ReadFile(Path("w.cfg")), "x\ny\n");
}

TEST_F(CfgTest, TextFileFailures) {
  cfgTextFile missing(Path("absent.cfg").c_str());
  EXPECT_FALSE(missing.open(cfgTextFile::kRead));
  EXPECT_FALSE(missing.readAll());

  const std::string target = Path("no/such/dir.cfg");
  cfgTextFile unwritable(target.c_str());
  ASSERT_TRUE(unwritable.open(cfgTextFile::kWrite));
  unwritable.append("x", cfgTextFile::kLF);
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(unwritable.close());
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "can't write buffer '" + target + "' to disk.\n");

  cfgTextFile odd(Path("odd.cfg").c_str());
  EXPECT_EQ(Raised([&] { odd.open(7); }), "unknown open mode in cfgTextFile::openHook");
  EXPECT_TRUE(odd.writable()) << "the file is left open for writing";
}

}  // namespace
}  // namespace vtx::cfg::testing
