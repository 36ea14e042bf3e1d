#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/capture.h"
#include "tests/teleph/dial_db_fixture.h"

namespace vtx::testing {
namespace {

bool Exists(const std::string& path) {
  return std::filesystem::exists(path);
}

// The USA rules: a second kind-2 failure bars the number until a fax answer tone clears it, and
// the freed slot takes the next new number.
TEST_F(DialDbTest, SecondKindTwoFailureBarsUntilAnswerToneClears) {
  ASSERT_EQ(Update("555 0100", CV_STATUS_OK, kAnswer), 0);
  ASSERT_EQ(Check("5550100"), 0);
  EXPECT_EQ(last_.wait_time, 0);
  EXPECT_EQ(last_.reason, 0);

  now_ += 30;
  ASSERT_EQ(Update("555 0100", CV_STATUS_OK, kAnswer), 0);
  now_ += 10 * 86400;
  ASSERT_EQ(Check("5550100"), 0);
  EXPECT_EQ(last_.wait_time, -1);
  EXPECT_EQ(last_.reason, 5);

  ASSERT_EQ(Update("5550100", CV_STATUS_OK, kAnswerTone), 0);
  ASSERT_EQ(Check("5550100"), 0);
  EXPECT_EQ(last_.wait_time, 0);
  EXPECT_EQ(last_.reason, 0);
  auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_STREQ(records[0].key, "");

  ASSERT_EQ(Update("5550199", CV_STATUS_ERROR_HANGUP, 3), 0);  // a busy hangup is kind 2 too
  records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_STREQ(records[0].key, "5550199");
  EXPECT_EQ(records[0].count_a, 1);
  EXPECT_EQ(records[0].flags, VTX_DIALDB_LAST_A);
}

// Fifteen busy calls, each within the hour of the one before, bar the number until an hour after
// the last; a pause of an hour forgets the count.
TEST_F(DialDbTest, FifteenthBusyWaitsOutTheHourAfterTheLastAttempt) {
  for (int i = 0; i < 14; ++i) {
    ASSERT_EQ(Update("5550100", CV_STATUS_OK, kBusy), 0);
    ASSERT_EQ(Check("5550100"), 0);
    ASSERT_EQ(last_.reason, 0) << "after busy call " << i + 1;
    now_ += 3000;
  }
  ASSERT_EQ(Update("5550100", CV_STATUS_OK, kBusy), 0);
  now_ += 100;
  ASSERT_EQ(Check("5550100"), 0);
  EXPECT_EQ(last_.wait_time, 3601 - 100);
  EXPECT_EQ(last_.reason, 9);
  EXPECT_EQ(Records()[0].flags, VTX_DIALDB_LAST_B | VTX_DIALDB_EXISTED | VTX_DIALDB_WAIT_B);

  now_ += 3501;
  ASSERT_EQ(Check("5550100"), 0);
  EXPECT_EQ(last_.wait_time, 0);
  ASSERT_EQ(Update("5550100", CV_STATUS_OK, kBusy), 0);
  const VtxDialDBRecord record = Records()[0];
  EXPECT_EQ(record.count_b, 1);
  EXPECT_EQ(record.total, 16);
  EXPECT_EQ(record.window_start, static_cast<uint32_t>(now_));
}

TEST_F(DialDbTest, CallWithoutResultBarsTheNumber) {
  ASSERT_EQ(Update("5550100", nullptr), 0);
  ASSERT_EQ(Check("5550100"), 0);
  EXPECT_EQ(last_.wait_time, -1);
  EXPECT_EQ(last_.reason, 4);
}

TEST_F(DialDbTest, PunctuationAndLettersShareTheRecordOfTheDigits) {
  ASSERT_EQ(Update("(555) 010-0", CV_STATUS_OK, kBusy), 0);
  ASSERT_EQ(Update("5550100", CV_STATUS_OK, kBusy), 0);
  ASSERT_EQ(Update("tel:555.01.00", CV_STATUS_OK, kBusy), 0);
  ASSERT_EQ(Update("*72#555", CV_STATUS_OK, kBusy), 0);
  auto records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_STREQ(records[0].key, "5550100");
  EXPECT_EQ(records[0].total, 3);
  EXPECT_STREQ(records[1].key, "*72#555");
}

// Only call progress results and busy hangups count; nothing else opens the file.
TEST_F(DialDbTest, ResultsThatDoNotCountLeaveTheFileAlone) {
  EXPECT_EQ(Update("5550100", CV_STATUS_ERROR_DIAL, 258), 0);
  EXPECT_EQ(Update("5550100", CV_STATUS_ERROR_HANGUP, 5), 0);
  EXPECT_EQ(Update("5550100", CV_STATUS_ERROR, APIERR_DRV_IOCTL_ERR), 0);
  EXPECT_FALSE(Exists(db_));

  line_.config.country[174] = 0;  // the country keeps no database
  EXPECT_EQ(Update("5550100", nullptr), 0);
  EXPECT_FALSE(Exists(db_));
}

TEST_F(DialDbTest, EmergencyNumbersAreRefusedWithoutTheFile) {
  line_.config.settings.country_code = 0x810;
  for (const char* number : {"119", "110", "1-1-9"}) {
    ASSERT_EQ(Check(number), 0);
    EXPECT_EQ(last_.wait_time, -1) << number;
    EXPECT_EQ(last_.reason, 3) << number;
  }
  line_.config.settings.country_code = 0x8520;
  ASSERT_EQ(Check("999"), 0);
  EXPECT_EQ(last_.reason, 3);
  line_.config.settings.country_code = 0x10;
  ASSERT_EQ(Check("119"), 0);
  EXPECT_EQ(last_.wait_time, 0);
  EXPECT_EQ(last_.reason, 0);
  EXPECT_FALSE(Exists(db_));
}

TEST_F(DialDbTest, AsynchronousUseAndUnusableNumbersAreRefused) {
  VtxDialArgs args = Args("5550100");
  args.async_lp = 1;
  EXPECT_EQ(VtxDialDBUpdate(&line_, &args), -1);
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR));
  args = Args("5550100");
  line_.nesting = 1;
  EXPECT_EQ(VtxDialDBCheck(&line_, &args), -1);
  EXPECT_EQ(args.line_status, static_cast<uint32_t>(APIERR_ASYNC_LP_ERR));
  line_.nesting = 0;

  // An empty key would be a free slot; a key of 80 digits would lose its terminating zero.
  EXPECT_EQ(Update("(none)", CV_STATUS_OK, kBusy), -1);
  EXPECT_EQ(last_.status, static_cast<uint32_t>(CV_STATUS_ERROR));
  EXPECT_EQ(last_.line_status, static_cast<uint32_t>(APIERR_BADPARAMETER));
  EXPECT_EQ(Update(std::string(80, '5').c_str(), CV_STATUS_OK, kBusy), -1);
  EXPECT_EQ(last_.line_status, static_cast<uint32_t>(APIERR_BADPARAMETER));
  EXPECT_FALSE(Exists(db_));
}

// Channel records: kept per line ordinal, counting kind-2 failures only with mode bit 0x08.
TEST_F(DialDbTest, ChannelRecordsCountPerChannel) {
  uint8_t* rules = line_.config.country + 174;
  rules[0] = 0x02;  // channel records only
  rules[14] = 60;   // 60 s after a first kind-1 failure
  ASSERT_EQ(Update("5550100", CV_STATUS_OK, kBusy), 0);
  ASSERT_EQ(Check("5559999"), 0);
  EXPECT_EQ(last_.wait_time, 61);
  EXPECT_EQ(last_.reason, 11);
  line_.ordinal = 2;
  ASSERT_EQ(Check("5550100"), 0);
  EXPECT_EQ(last_.reason, 0);

  line_.ordinal = 1;
  ASSERT_EQ(Update("5550100", CV_STATUS_OK, kAnswer), 0);  // kind 2 clears a channel record
  ASSERT_EQ(Check("5550100"), 0);
  EXPECT_EQ(last_.reason, 0);
  rules[0] = 0x0A;
  rules[1] = 2;  // limit A
  ASSERT_EQ(Update("1", CV_STATUS_OK, kAnswer), 0);
  ASSERT_EQ(Update("2", CV_STATUS_OK, kAnswer), 0);
  ASSERT_EQ(Check("3"), 0);
  EXPECT_EQ(last_.wait_time, -1);
  EXPECT_EQ(last_.reason, 5);
  auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_STREQ(records[0].key, "x1");
}

// A damaged end, a file that is not a regular file, a full disk and a lock that cannot be taken
// each fail with their result words, and nothing already in the file is lost.
TEST_F(DialDbTest, FileFaultsFailClearlyAndKeepTheRecords) {
  ASSERT_EQ(Update("5550100", CV_STATUS_OK, kBusy), 0);
  {
    std::ofstream append(db_, std::ios::binary | std::ios::app);
    append << std::string(40, 'z');
  }
  TraceCapture trace;
  ASSERT_EQ(Update("5550100", CV_STATUS_OK, kBusy), 0);  // found before the damage
  EXPECT_EQ(Update("5550111", CV_STATUS_OK, kBusy), -1);
  EXPECT_EQ(last_.status, static_cast<uint32_t>(CV_STATUS_ERROR));
  EXPECT_EQ(last_.line_status, static_cast<uint32_t>(APIERR_FILEIO));
  EXPECT_EQ(Check("5550111"), -1);
  EXPECT_EQ(std::filesystem::file_size(db_), 96u + 40u);
  EXPECT_TRUE(trace.Contains("Dialdb damaged"));
  int listed = 0;
  auto records = Records(&listed);
  EXPECT_EQ(listed, 2);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].total, 2);

  db_ = dir_.path();
  EXPECT_EQ(Check("5550100"), -1);
  EXPECT_EQ(last_.line_status, static_cast<uint32_t>(APIERR_FILEIO));
  EXPECT_TRUE(trace.Contains("not a regular file"));

  // A file size limit stands for a full disk: the new record fits only in part.
  db_ = dir_.Path("full.db");
  ASSERT_EQ(Update("5550100", CV_STATUS_OK, kBusy), 0);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limited = saved;
  limited.rlim_cur = 96 + 50;
  signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limited);
  const int full = Update("5550111", CV_STATUS_OK, kBusy);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_EQ(full, -1);
  EXPECT_EQ(last_.line_status, static_cast<uint32_t>(APIERR_FILEIO));
  EXPECT_TRUE(trace.Contains("Dialdb write error"));
  EXPECT_EQ(std::filesystem::file_size(db_), 96u);

  const std::string lock_dir = dir_.Path("not-a-directory");
  std::ofstream(lock_dir) << "x";
  setenv("TARROW_LOCK_DIR", lock_dir.c_str(), 1);
  EXPECT_EQ(Check("5550100"), -1);
  unsetenv("TARROW_LOCK_DIR");
  EXPECT_EQ(last_.line_status, static_cast<uint32_t>(APIERR_LOCK_FAILED));
}

TEST_F(DialDbTest, ListStopsWhenTheCallbackSaysSo) {
  for (const char* number : {"1", "2", "3"}) ASSERT_EQ(Update(number, CV_STATUS_OK, kBusy), 0);
  VtxDialArgs args = Args("");
  int seen = 0;
  args.db_func = [](const uint8_t*, void* arg) -> int { return ++*static_cast<int*>(arg) == 2; };
  args.arg = &seen;
  EXPECT_EQ(VtxDialDBList(&args), 0);
  EXPECT_EQ(seen, 2);

  args.db_func = nullptr;
  EXPECT_EQ(VtxDialDBList(&args), 1);
  db_ = dir_.Path("missing.db");
  int listed = 0;
  Records(&listed);
  EXPECT_EQ(listed, 1);
  EXPECT_EQ(last_.line_status, static_cast<uint32_t>(APIERR_FILEIO));
}

}  // namespace
}  // namespace vtx::testing
