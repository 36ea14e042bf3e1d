// Eight processes report calls to the same numbers through one database file at once.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "tests/teleph/dial_db_fixture.h"

namespace vtx::testing {
namespace {

constexpr int kProcesses = 8;
constexpr int kUpdatesEach = 500;
constexpr int kNumbers = 4;
const char* const kNumberTexts[kNumbers] = {"555-0100", "555-0101", "(555) 0102", "5550103"};
const char* const kNumberKeys[kNumbers] = {"5550100", "5550101", "5550102", "5550103"};

// Update j of every process: number j % 4, a busy call in even rounds of the four numbers and a
// kind-2 failure in odd ones.
bool BusyAt(int j) {
  return (j / kNumbers) % 2 == 0;
}

// Waits for `pid` for at most `limit`, then stops it. Its exit status, or -1.
int WaitBounded(pid_t pid, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(DialDbTest, EightProcessesLoseNoUpdate) {
  // Numbers and channels both keep records, channels counting kind-2 failures too.
  line_.config.country[174] = 0x0B;
  pid_t children[kProcesses];
  for (int p = 0; p < kProcesses; ++p) {
    children[p] = fork();
    ASSERT_GE(children[p], 0);
    if (children[p] == 0) {
      line_.ordinal = p;
      for (int j = 0; j < kUpdatesEach; ++j) {
        if (Update(kNumberTexts[j % kNumbers], CV_STATUS_OK, BusyAt(j) ? kBusy : kAnswer) != 0) {
          _exit(1);
        }
      }
      _exit(0);
    }
  }
  for (pid_t child : children) EXPECT_EQ(WaitBounded(child, std::chrono::seconds(90)), 0);

  int busy_per_number = 0;
  for (int j = 0; j < kUpdatesEach; ++j) busy_per_number += j % kNumbers == 0 && BusyAt(j);
  const int per_number = kUpdatesEach / kNumbers;
  std::map<std::string, VtxDialDBRecord> by_key;
  int listed = -1;
  for (const VtxDialDBRecord& record : Records(&listed)) by_key[record.key] = record;
  EXPECT_EQ(listed, 0);
  ASSERT_EQ(by_key.size(), static_cast<size_t>(kNumbers + kProcesses));
  EXPECT_EQ(std::filesystem::file_size(db_), by_key.size() * VTX_DIALDB_RECORD_SIZE);
  for (const char* key : kNumberKeys) {
    const VtxDialDBRecord& record = by_key[key];
    EXPECT_EQ(record.total, kProcesses * per_number) << key;
    EXPECT_EQ(record.count_b, kProcesses * busy_per_number) << key;
    EXPECT_EQ(record.count_a, kProcesses * (per_number - busy_per_number)) << key;
  }
  for (int p = 0; p < kProcesses; ++p) {
    const VtxDialDBRecord& record = by_key["x" + std::to_string(p)];
    EXPECT_EQ(record.total, kUpdatesEach) << p;
    EXPECT_EQ(record.count_a + record.count_b, kUpdatesEach) << p;
  }
}

}  // namespace
}  // namespace vtx::testing
