#include "os/local_socket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "os/readiness_wait.h"
#include "sim/frame_io.h"
#include "tests/support/temp_dir.h"

namespace {

// What a wait saw for `tag`, waiting up to ten seconds.
uint32_t WaitFor(os::ReadinessWait& wait, void* tag) {
  os::Readiness ready[4];
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < until) {
    const int count = wait.Wait(ready, 4, 1000);
    for (int i = 0; i < count; ++i) {
      if (ready[i].tag == tag) return ready[i].events;
    }
  }
  return 0;
}

// A frame far larger than the socket's buffer arrives whole and in order through non-blocking
// reads, and a peer that closes right after writing it has every byte read before the end, which
// is an end and not a failure. The other way, a reply cut short by a hang-up ends the blocking
// read of a frame instead of hanging it or passing a short frame for whole.
TEST(LocalSocket, FramesArriveWholeBeforeAHangUpAndAHangUpInsideAFrameEndsTheRead) {
  vtx::testing::TempDir dir("socket");
  os::LocalListener listener;
  std::string error;
  ASSERT_TRUE(listener.Listen(dir.Path("s"), -1, error)) << error;
  const int client = os::LocalConnect(dir.Path("s"));
  ASSERT_GE(client, 0) << strerror(errno);
  os::ReadinessWait wait;
  ASSERT_TRUE(wait.Open(error)) << error;
  char listening = 0, connection = 0;  // the tags
  ASSERT_TRUE(wait.Watch(listener.fd(), os::kReadable, &listening));
  ASSERT_NE(WaitFor(wait, &listening) & os::kReadable, 0u);
  bool at_file_limit = true;
  const int server = listener.Accept(at_file_limit);
  ASSERT_GE(server, 0);
  EXPECT_FALSE(at_file_limit);
  ASSERT_TRUE(wait.Watch(server, os::kReadable, &connection));

  std::vector<uint8_t> body(sim::kMaxFrame);
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 7 + i / 251);
  bool written = false;
  std::thread peer([&] {
    written = sim::WriteFrame(client, body.data(), body.size());
    os::SocketClose(client);
  });
  std::vector<uint8_t> received;
  uint8_t chunk[65536];
  os::SocketTransfer read{};
  do {
    ASSERT_NE(WaitFor(wait, &connection), 0u) << received.size();
    do {
      read = os::SocketReadSome(server, chunk, sizeof chunk);
      if (read.outcome == os::SocketTransfer::kMoved) {
        received.insert(received.end(), chunk, chunk + read.count);
      }
    } while (read.outcome == os::SocketTransfer::kMoved);
  } while (read.outcome == os::SocketTransfer::kWouldBlock);
  peer.join();
  EXPECT_TRUE(written);
  EXPECT_EQ(read.outcome, os::SocketTransfer::kEnded) << strerror(read.error);
  ASSERT_EQ(received.size(), 4 + body.size());
  EXPECT_EQ(received[0] | received[1] << 8 | received[2] << 16 | received[3] << 24,
            static_cast<int>(body.size()));
  EXPECT_TRUE(std::equal(body.begin(), body.end(), received.begin() + 4));
  os::SocketClose(server);

  // A reply announcing 100 bytes, 10 of them sent, then the hang-up.
  const int asking = os::LocalConnect(dir.Path("s"));
  ASSERT_GE(asking, 0);
  const int answering = listener.Accept(at_file_limit);
  ASSERT_GE(answering, 0);
  const uint8_t half[14] = {100};
  EXPECT_EQ(os::SocketWriteSome(answering, half, sizeof half).count, sizeof half);
  os::SocketClose(answering);
  sim::wire::Bytes reply;
  EXPECT_FALSE(sim::ReadFrame(asking, reply));
  os::SocketClose(asking);
}

// Wakes from another thread end the wait each time, however they fall against the waits: a wake
// that is merged into one already pending must not leave later ones unwritten.
TEST(LocalSocket, EveryRoundOfWakesEndsAWait) {
  os::ReadinessWait wait;
  std::string error;
  ASSERT_TRUE(wait.Open(error)) << error;
  os::Readiness ready[1];
  for (int round = 0; round < 50; ++round) {
    std::thread waker([&] {
      wait.Wake();
      wait.Wake();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(wait.Wait(ready, 1, 20000), 0);
    waker.join();
    ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << round;
  }
}

TEST(LocalSocket, APathTooLongForASocketAddressIsRefusedClearly) {
  const std::string path = "/tmp/" + std::string(200, 'x');
  os::LocalListener listener;
  std::string error;
  EXPECT_FALSE(listener.Listen(path, -1, error));
  EXPECT_EQ(error, path + ": socket path too long");
  EXPECT_EQ(os::LocalConnect(path), -1);
  EXPECT_EQ(errno, ENAMETOOLONG);
}

}  // namespace
