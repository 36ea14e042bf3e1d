#include "os/locks.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

// Each test that takes named file locks gets a lock directory of its own.
class FileLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    setenv("TARROW_LOCK_DIR", dir_.path().c_str(), 1);
  }
  void TearDown() override { unsetenv("TARROW_LOCK_DIR"); }
  vtx::testing::TempDir dir_{"locks"};
};

int ReadFileCounter(const std::string& path) {
  int value = 0;
  if (FILE* in = fopen(path.c_str(), "r")) {
    if (fscanf(in, "%d", &value) != 1) value = -1000000;
    fclose(in);
  }
  return value;
}

// Reads and writes back slowly enough that two writers without exclusion would lose updates.
void IncrementFileCounter(const std::string& path) {
  int value = ReadFileCounter(path);
  std::this_thread::yield();
  FILE* out = fopen(path.c_str(), "w");
  fprintf(out, "%d\n", value + 1);
  fclose(out);
}

TEST_F(FileLockTest, ExcludesOtherProcesses) {
  // The child starts while the parent holds the lock, so it must forget the parent's ownership.
  const char* name = "/var/lib/tarrow/dial.db";
  std::string counter = dir_.Path("counter");
  os::FileLock* held = os::FileLockAcquire(name);
  ASSERT_NE(held, nullptr);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  bool parent = child != 0;
  if (parent) os::FileLockRelease(name, held);
  for (int i = 0; i < 200; ++i) {
    os::FileLock* each = os::FileLockAcquire(name);
    if (each == nullptr && !parent) _exit(2);
    ASSERT_NE(each, nullptr);
    IncrementFileCounter(counter);
    os::FileLockRelease(name, each);
  }
  if (!parent) _exit(0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadFileCounter(counter), 400);
}

TEST_F(FileLockTest, ExcludesThreadsAndIsRecursiveForTheOwner) {
  const char* name = "relative/path/with spaces.db";
  os::FileLock* outer = os::FileLockAcquire(name);
  ASSERT_NE(outer, nullptr);
  os::FileLock* inner = os::FileLockAcquire(name);  // same thread: no deadlock
  ASSERT_NE(inner, nullptr);
  os::FileLockRelease(name, inner);

  std::atomic<bool> entered{false};
  std::thread other([&] {
    os::FileLock* lock = os::FileLockAcquire(name);
    entered = true;
    os::FileLockRelease(name, lock);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(entered) << "one release of two must keep the lock held";
  os::FileLockRelease(name, outer);
  other.join();
  EXPECT_TRUE(entered);

  int shared = 0;
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&] {
      for (int i = 0; i < 500; ++i) {
        os::FileLock* lock = os::FileLockAcquire(name);
        int seen = shared;
        std::this_thread::yield();
        shared = seen + 1;
        os::FileLockRelease(name, lock);
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  EXPECT_EQ(shared, 2000);
  os::FileLockRelease(name, nullptr);  // nothing to release
}

TEST_F(FileLockTest, EveryNameMapsToOneDistinctFileOfTheLockDirectory) {
  std::string long_a(1000, 'a');
  std::string long_b = long_a + "b";
  const std::string names[] = {"a/b", "a%2Fb", "../../etc/passwd", "..", long_a, long_b};
  std::vector<std::string> paths;
  for (const std::string& name : names) {
    std::string path = os::FileLockPath(name.c_str());
    ASSERT_EQ(path.rfind(dir_.Path("mute_"), 0), 0u) << path;
    std::string leaf = path.substr(dir_.path().size() + 1);
    EXPECT_EQ(leaf.find('/'), std::string::npos) << leaf;
    EXPECT_LE(leaf.size(), 200u);
    for (const std::string& earlier : paths) EXPECT_NE(path, earlier);
    paths.push_back(path);
    os::FileLock* lock = os::FileLockAcquire(name.c_str());
    ASSERT_NE(lock, nullptr) << name;
    os::FileLockRelease(name.c_str(), lock);
    EXPECT_EQ(access(path.c_str(), F_OK), 0) << path;
  }
}

TEST(ProcessLock, OneRecursiveMutexPerSlotEvenWhenThreadsRaceToCreateIt) {
  // The pending-list slot is untouched by the rest of this program, so the threads below race
  // to create its mutex.
  constexpr int kThreads = 8;
  std::atomic<int> waiting{kThreads};
  std::vector<os::ProcessLock*> seen(kThreads, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      --waiting;
      while (waiting > 0) std::this_thread::yield();
      seen[t] = os::ProcessLockAcquire(os::ProcessLockSlot::kPendingList);
      os::ProcessLockRelease(seen[t]);
    });
  }
  for (std::thread& thread : threads) thread.join();
  ASSERT_NE(seen[0], nullptr);
  for (os::ProcessLock* lock : seen) EXPECT_EQ(lock, seen[0]);

  os::ProcessLock* trace = os::ProcessLockAcquire(os::ProcessLockSlot::kTraceLog);
  EXPECT_NE(trace, seen[0]);
  EXPECT_EQ(os::ProcessLockAcquire(os::ProcessLockSlot::kTraceLog), trace);  // recursive
  os::ProcessLockRelease(trace);
  std::atomic<bool> entered{false};
  std::thread other([&] {
    os::ProcessLockRelease(os::ProcessLockAcquire(os::ProcessLockSlot::kTraceLog));
    entered = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(entered);
  os::ProcessLockRelease(trace);
  other.join();
  EXPECT_TRUE(entered);
  os::ProcessLockRelease(nullptr);  // a handle of 0 does nothing
}

}  // namespace
