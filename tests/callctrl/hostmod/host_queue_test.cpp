#include "callctrl/hostmod/host_queue.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hostctrl.h"
#include "tests/support/one_command_packet.h"

namespace vtx::callctrl::testing {
namespace {

// Records every operation with the thread it ran on.
class RecordingHandler : public HostHandler {
 public:
  void OnLibraryEvent(uint32_t kind, const void*, uint32_t length) override {
    Note("library " + std::to_string(kind) + "/" + std::to_string(length));
  }
  void OnTimer(uint32_t value1, uint32_t value2) override {
    Note("timer " + std::to_string(value1) + "," + std::to_string(value2));
  }
  void OnStart(uint32_t code, PacketMessage&) override { Note("start " + std::to_string(code)); }
  void OnRequest(uint32_t code, PacketMessage&) override {
    Note("request " + std::to_string(code));
  }
  void OnEvent(uint32_t code, PacketMessage& message) override {
    Note("event " + std::to_string(code) + " tags " + std::to_string(message.args.tags_left));
  }
  void OnHostControl(uint32_t code, PacketMessage&) override {
    Note("host control " + std::to_string(code));
  }
  void Release() override { Note("release"); }

  // Waits until `count` operations were recorded.
  std::vector<std::string> Await(size_t count) {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait_for(hold, std::chrono::seconds(10), [&] { return seen_.size() >= count; });
    return seen_;
  }
  std::vector<std::thread::id> threads() {
    std::lock_guard<std::mutex> hold(lock_);
    return threads_;
  }

 private:
  void Note(const std::string& what) {
    std::lock_guard<std::mutex> hold(lock_);
    seen_.push_back(what);
    threads_.push_back(std::this_thread::get_id());
    changed_.notify_all();
  }

  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::string> seen_;
  std::vector<std::thread::id> threads_;
};

std::vector<uint8_t> Packet(const uint8_t dest[4], uint32_t source_facility, uint32_t facility,
                            uint32_t verb, uint32_t code, size_t padding = 0) {
  std::vector<uint8_t> packet =
      vtx::testing::OneCommandPacket(dest, source_facility, facility, verb, code, padding);
  EXPECT_FALSE(packet.empty());
  return packet;
}

bool Post(HostQueue& queue, const std::vector<uint8_t>& packet) {
  MillArgs received{};
  return queue.PostPacket(received, packet.data(), static_cast<uint32_t>(packet.size()));
}

constexpr uint8_t kChannel7[4] = {3, 7, 0x81, 2};  // module 3, channel 7

TEST(HostQueueTest, DispatchesByVerbInOrderOnItsOneThread) {
  HostQueue queue;
  RecordingHandler handler;
  ASSERT_TRUE(queue.SetHandler(3, 7, &handler));
  ASSERT_TRUE(queue.Open());
  EXPECT_FALSE(queue.Open()) << "an active queue is not opened twice";
  EXPECT_TRUE(Post(queue, Packet(kChannel7, 0x13, 0x13, MILL_VERB_START, 4)));
  EXPECT_TRUE(queue.PostTimer(3, 7, 11, 12));
  const uint32_t error = 9;
  EXPECT_TRUE(queue.PostLibraryEvent(3, 7, kLibraryErrorKind, &error, sizeof error));
  EXPECT_TRUE(Post(queue, Packet(kChannel7, 0x13, 0x13, MILL_VERB_REQUEST, 6)));
  EXPECT_TRUE(Post(queue, Packet(kChannel7, 0x13, 0x13, MILL_VERB_EVENT, 8, 3)));
  // The host controller's facility in the source goes to the host-control step.
  EXPECT_TRUE(Post(queue, Packet(kChannel7, MILL_FACILITY_HOST_CTRL, MILL_FACILITY_HOST_CTRL,
                                 MILL_VERB_EVENT, HOST_CTRL_ALERT_EVENT)));
  const std::vector<std::string> seen = handler.Await(6);
  EXPECT_EQ(seen, (std::vector<std::string>{"start 4", "timer 11,12", "library 2/4", "request 6",
                                            "event 8 tags 6", "host control 2"}));
  for (std::thread::id id : handler.threads()) {
    EXPECT_EQ(id, handler.threads().front()) << "one queue thread processes everything";
    EXPECT_NE(id, std::this_thread::get_id()) << "the posting thread never processes";
  }
  EXPECT_TRUE(queue.Stop());
  EXPECT_FALSE(queue.active());
}

TEST(HostQueueTest, StoppingProcessesWhatWasAcceptedAndRefusesTheRest) {
  HostQueue queue;
  RecordingHandler handler;
  queue.SetHandler(3, 7, &handler);
  ASSERT_TRUE(queue.Open());
  constexpr int kPosted = 200;
  for (int i = 0; i < kPosted; ++i) ASSERT_TRUE(queue.PostTimer(3, 7, i, 0));
  EXPECT_TRUE(queue.Stop());
  EXPECT_EQ(handler.Await(kPosted).size(), static_cast<size_t>(kPosted));
  EXPECT_FALSE(queue.PostTimer(3, 7, 1, 2)) << "a timer posted after the stop is refused";
  EXPECT_FALSE(Post(queue, Packet(kChannel7, 0x13, 0x13, MILL_VERB_START, 1)));
  EXPECT_FALSE(queue.Stop()) << "a stopped queue has nothing to stop";
  EXPECT_EQ(queue.Depth(), 0u);
}

TEST(HostQueueTest, PacketSizesAndPoolReuse) {
  HostMessagePools* pools = HostMessagePools::Get();
  ASSERT_NE(pools, nullptr);
  HostQueue queue;
  RecordingHandler handler;
  queue.SetHandler(3, 7, &handler);
  ASSERT_TRUE(queue.Open());
  // Padding that makes the packets exactly 1200 and 1201 bytes long.
  const size_t base = Packet(kChannel7, 0x13, 0x13, MILL_VERB_EVENT, 8, 200).size() - 200;
  const std::vector<uint8_t> largest =
      Packet(kChannel7, 0x13, 0x13, MILL_VERB_EVENT, 8, 1200 - base);
  const std::vector<uint8_t> too_long =
      Packet(kChannel7, 0x13, 0x13, MILL_VERB_EVENT, 8, 1201 - base);
  ASSERT_EQ(largest.size(), 1200u);
  ASSERT_EQ(too_long.size(), 1201u);
  EXPECT_TRUE(Post(queue, largest));
  EXPECT_FALSE(Post(queue, too_long));
  handler.Await(1);

  // Once warm, packets for nobody and for the handler take nothing new from the heap.
  const std::vector<uint8_t> handled = Packet(kChannel7, 0x13, 0x13, MILL_VERB_EVENT, 8);
  constexpr uint8_t kUnhandled[4] = {4, 9, 0x81, 2};
  const std::vector<uint8_t> unhandled = Packet(kUnhandled, 0x13, 0x13, MILL_VERB_EVENT, 8);
  // A handled packet and its block go back to their pools just after the handler saw it.
  auto all_back = [pools] {
    for (int i = 0; i < 10000; ++i) {
      const PoolCounts counts = pools->Counts();
      if (counts.packets.free == counts.packets.allocated &&
          counts.blocks.free == counts.blocks.allocated) {
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  // One message in flight at a time: each goes back before the next is taken, whether a
  // handler took it or nobody did.
  auto one_round = [&](size_t seen) {
    EXPECT_TRUE(Post(queue, unhandled));
    all_back();
    EXPECT_TRUE(Post(queue, handled));
    handler.Await(seen);
    all_back();
  };
  one_round(2);
  const PoolCounts warm = pools->Counts();
  for (size_t i = 0; i < 50; ++i) one_round(3 + i);
  const PoolCounts after = pools->Counts();
  EXPECT_EQ(after.packets.allocated, warm.packets.allocated);
  EXPECT_EQ(after.blocks.allocated, warm.blocks.allocated);
  queue.Stop();
  const PoolCounts stopped = pools->Counts();
  EXPECT_EQ(stopped.packets.free, stopped.packets.allocated) << "every packet message came back";
  EXPECT_EQ(stopped.blocks.free, stopped.blocks.allocated) << "every message block came back";
}

TEST(HostQueueTest, ADisabledHandlerKeepsItsPacketsUntilEnabled) {
  HostQueue queue;
  RecordingHandler handler;
  queue.SetHandler(3, 7, &handler);
  queue.Enable(handler, false);
  ASSERT_TRUE(queue.Open());
  EXPECT_TRUE(Post(queue, Packet(kChannel7, 0x13, 0x13, MILL_VERB_START, 1)));
  EXPECT_TRUE(Post(queue, Packet(kChannel7, 0x13, 0x13, MILL_VERB_START, 2)));
  EXPECT_TRUE(queue.PostTimer(3, 7, 5, 6));  // timers are not held back
  EXPECT_EQ(handler.Await(1), std::vector<std::string>{"timer 5,6"});
  queue.Enable(handler, true);
  EXPECT_EQ(handler.Await(3), (std::vector<std::string>{"timer 5,6", "start 1", "start 2"}));
  queue.Stop();
  queue.SetHandler(3, 7, nullptr);
  EXPECT_EQ(handler.Await(4).back(), "release");
}

}  // namespace
}  // namespace vtx::callctrl::testing
