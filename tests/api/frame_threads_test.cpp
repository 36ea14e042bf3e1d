// Operations called from several threads while the application's version word is still unset.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "api/frame.h"
#include "tests/support/app_version.h"

namespace vtx::api {
namespace {

std::atomic<int> g_calls{0};

int CountingWorker(VtxLine*, VtxLineArgs* args) {
  args->status = CV_STATUS_OK;
  return ++g_calls;
}
int TestOp(VtxLine* line, VtxLineArgs* args) {
  return Framed<Family::kLine, Carry::kOutput>(CountingWorker, line, args);
}

TEST(FrameThreads, AnUnsetVersionSettlesOnceForEveryThread) {
  vtx::testing::AppVersion version(0, 0, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 50; ++i) {
        VtxLineArgs args{};
        args.status = 99;
        TestOp(nullptr, &args);
        EXPECT_EQ(args.status, CV_STATUS_OK);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(g_calls.load(), 200);
  EXPECT_EQ(AppApiVersion(), CV_API_VERSION);
}

}  // namespace
}  // namespace vtx::api
