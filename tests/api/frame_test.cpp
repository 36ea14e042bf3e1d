// The call frame around test-only operations of the three converted families.
#include "api/frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/line.h"
#include "tests/support/app_version.h"
#include "tests/support/capture.h"
#include "trace/api_log.h"

namespace vtx::api {
namespace {

using vtx::testing::AppVersion;
using vtx::testing::TraceCapture;

// What the last worker saw: the record it was given and that record's bytes.
const void* g_record = nullptr;
std::vector<uint8_t> g_bytes;
int g_calls = 0;

template <typename Record>
void Observe(const Record* record) {
  ++g_calls;
  g_record = record;
  const auto* bytes = reinterpret_cast<const uint8_t*>(record);
  g_bytes.assign(bytes, bytes + sizeof(Record));
}

int LineWorker(VtxLine* line, VtxLineArgs* args) {
  trace::CallEntry(line, "TestLineOp", "unit=%d", args->unit);
  Observe(args);
  args->status = CV_STATUS_OK;
  args->line_status = 0;
  const uint8_t local[4] = {1, 2, 3, 4};
  memcpy(args->local_addr, local, sizeof local);
  args->reset_status = 0xA5A5A5A5;
  trace::CallReturn(line, "TestLineOp", args, "ret=%d", 3);
  return 3;
}

int TestLineOp(VtxLine* line, VtxLineArgs* args) {
  return Framed<Family::kLine, Carry::kOutput>(LineWorker, line, args);
}
int TestLineInputOp(VtxLine* line, VtxLineArgs* args) {
  return Framed<Family::kLine, Carry::kInputOnly>(LineWorker, line, args);
}

VtxLine g_line;
VtxLine* AttachWorker(VtxLineArgs* args) {
  Observe(args);
  return &g_line;
}
VtxLine* TestAttachOp(VtxLineArgs* args) {
  return Framed<Family::kLine, Carry::kInputOnly>(AttachWorker, args);
}

void DetachWorker(VtxLine*, VtxLineArgs* args) {
  Observe(args);
}
void TestDetachOp(VtxLine* line, VtxLineArgs* args) {
  Framed<Family::kLine, Carry::kInputOnly>(DetachWorker, line, args);
}

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls = 0;
    g_record = nullptr;
    g_bytes.clear();
  }
};

TEST_F(FrameTest, TheLibrarysOwnVersionHandsTheCallersRecordToTheWorker) {
  AppVersion version(CV_API_VERSION);
  VtxLineArgs args{};
  args.status = CV_STATUS_ERROR;  // left by an earlier failure
  args.line_status = APIERR_BUSY;
  EXPECT_EQ(TestLineOp(nullptr, &args), 3);
  EXPECT_EQ(g_record, &args);
  EXPECT_EQ(std::vector<uint8_t>(g_bytes.begin(), g_bytes.begin() + 8), std::vector<uint8_t>(8, 0))
      << "the worker starts from clean result words";
  EXPECT_EQ(args.reset_status, 0xA5A5A5A5u);
}

TEST_F(FrameTest, AnUnsetVersionIsAcceptedWithAWarningAndTakenAsTheLibrarys) {
  AppVersion version(0, 0, 0);
  TraceCapture capture(trace::kLevelError);
  VtxLineArgs args{};
  EXPECT_EQ(TestLineOp(nullptr, &args), 3);
  EXPECT_EQ(g_record, &args);
  EXPECT_EQ(VtxAppApiVersion, CV_API_VERSION);
  EXPECT_EQ(capture.messages(),
            std::vector<std::string>{"Warning: CV_API_SET_VER macro not called."});
}

// Too old (4.8 with interface 0, 4.7) or later than the library (interface 21): refused before
// the worker, each operation returning what it returns for failure.
TEST_F(FrameTest, VersionsOutsideTheLibrarysRangeAreRefused) {
  {
    AppVersion version(4800);
    TraceCapture capture(0xFFFFFFFF, trace::kFuncCalls | trace::kFuncDetail);
    VtxLineArgs args{};
    EXPECT_EQ(TestLineOp(nullptr, &args), -1);
    EXPECT_EQ(args.status, CV_STATUS_ERROR);
    EXPECT_EQ(args.line_status, APIERR_VERSION);
    EXPECT_EQ(capture.messages(),
              (std::vector<std::string>{
                  "Application version 4800B0 is earlier than allowable lowest 4.8.",
                  "unknown: Return (ret=-1,res.status=2,res.line_status=12)"}));
  }
  {
    AppVersion version(2105000, 1705000, 296);
    TraceCapture capture(trace::kLevelError);
    VtxLineArgs args{};
    EXPECT_EQ(TestLineOp(nullptr, &args), -1);
    EXPECT_EQ(args.line_status, APIERR_VERSION);
    EXPECT_TRUE(
        capture.Contains("Application version 5000B17A296 with interface 21 is later than "
                         "library version 5000B17A296 with interface 20"));
  }
  AppVersion version(104700);
  TraceCapture capture(0xFFFFFFFF, trace::kFuncCalls | trace::kFuncDetail);
  VtxLineArgs args{};
  EXPECT_EQ(TestAttachOp(&args), nullptr);
  TestDetachOp(&g_line, &args);
  EXPECT_EQ(g_calls, 0);
  EXPECT_TRUE(capture.Contains("unknown: Return (ret=0,res.status=2,res.line_status=12)"));
  EXPECT_TRUE(capture.Contains("unknown: Return (res.status=2,res.line_status=12)"));
}

// A 4.8 line record: the result words and the fields before the first pointer, byte by byte
// (little-endian); the rest of the old record is a pattern, followed by guard bytes.
constexpr uint8_t kLineHead48[] = {
    0x11, 0,    0,    0,    0x22, 0,    0, 0,  // status, line_status (stale)
    0x03, 0x02, 0,    0,                       // unit 0x203
    0x02, 0x03, 0x00, 0x00,                    // dest_addr
    0x81, 0x82, 0x83, 0x00,                    // local_addr
    1,    0,    0,    0,    1,    0,    0, 0,  // present, unique
    0,    0,    0,    0,    0x00, 0x10, 0, 0,  // reset_on_close, buf_size 4096
    5,    0,    0,    0,    6,    0,    0, 0,  // session parameters
};
constexpr size_t kLineSize48 = offsetof(VtxLineArgs, attach_option);
constexpr uint8_t kGuard = 0xEE;

std::vector<uint8_t> LineImage48() {
  std::vector<uint8_t> image(sizeof(VtxLineArgs) + 16, kGuard);
  memcpy(image.data(), kLineHead48, sizeof kLineHead48);
  for (size_t i = sizeof kLineHead48; i < kLineSize48; ++i) image[i] = static_cast<uint8_t>(i * 7);
  return image;
}

TEST_F(FrameTest, A48LineRecordIsWidenedWithZerosAndGivenBackWhole) {
  AppVersion version(104800);
  std::vector<uint8_t> image = LineImage48();
  const std::vector<uint8_t> before = image;
  auto* args = reinterpret_cast<VtxLineArgs*>(image.data());
  EXPECT_EQ(TestLineOp(nullptr, args), 3);

  ASSERT_EQ(g_calls, 1);
  EXPECT_NE(g_record, args);
  // The worker finds the stale result words cleared and every other byte as the caller wrote it.
  const uint8_t results[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(memcmp(g_bytes.data(), results, sizeof results), 0);
  EXPECT_TRUE(std::equal(before.begin() + sizeof results, before.begin() + kLineSize48,
                         g_bytes.begin() + sizeof results));
  EXPECT_EQ(std::vector<uint8_t>(g_bytes.begin() + kLineSize48, g_bytes.end()),
            std::vector<uint8_t>(4, 0));

  EXPECT_EQ(memcmp(image.data(), results, sizeof results), 0);
  const uint8_t local[4] = {1, 2, 3, 4};
  EXPECT_EQ(memcmp(image.data() + 16, local, sizeof local), 0);
  const uint8_t reset_status[4] = {0xA5, 0xA5, 0xA5, 0xA5};
  EXPECT_EQ(memcmp(image.data() + offsetof(VtxLineArgs, reset_status), reset_status, 4), 0);
  for (size_t i = kLineSize48; i < image.size(); ++i) ASSERT_EQ(image[i], kGuard) << i;
}

TEST_F(FrameTest, AnInputOnlyOperationGivesBackOnlyTheResultWords) {
  AppVersion version(104900);  // 4.9 still has the 4.8 line record
  std::vector<uint8_t> image = LineImage48();
  std::vector<uint8_t> expected = image;
  memset(expected.data(), 0, 8);
  EXPECT_EQ(TestLineInputOp(nullptr, reinterpret_cast<VtxLineArgs*>(image.data())), 3);
  EXPECT_EQ(g_calls, 1);
  EXPECT_EQ(image, expected);
}

int TelephWorker(VtxLine*, VtxTelephArgs* args) {
  Observe(args);
  args->conn_mode = 9;
  args->udptl_opts.localAddr.sin_port = 7;
  args->udptl_opts.remoteRTCPAddr.sin_port = 8;  // no room for it in 4.9
  return 0;
}
int TestTelephOp(VtxLine* line, VtxTelephArgs* args) {
  return Framed<Family::kTelephSwitch, Carry::kOutput>(TelephWorker, line, args);
}

TEST_F(FrameTest, A49TelephonyRecordGetsWideOptionsAndKeepsItsOwnSize) {
  AppVersion version(104900);
  struct {
    VtxTelephArgs49 args;
    uint8_t guard[16];
  } caller;
  memset(&caller, kGuard, sizeof caller);
  caller.args.udptl_opts.remoteAddr = VtxSockAddr{2, 0x1234, {10, 0, 0, 1}, {}};
  caller.args.udptl_opts.t38.t38_version = 3;
  caller.args.rtp_opts.localRTCPAddr.sin_port = 99;

  ASSERT_EQ(TestTelephOp(nullptr, reinterpret_cast<VtxTelephArgs*>(&caller.args)), 0);
  VtxTelephArgs seen;
  ASSERT_EQ(g_bytes.size(), sizeof seen);
  memcpy(&seen, g_bytes.data(), sizeof seen);
  EXPECT_EQ(seen.udptl_opts.remoteAddr.sin_port, 0x1234);
  EXPECT_EQ(seen.udptl_opts.t38.t38_version, 3u);
  EXPECT_EQ(seen.udptl_opts.remoteRTCPAddr.sin_port, 0);
  EXPECT_EQ(seen.rtp_opts.localRTCPAddr.sin_port, 99);
  EXPECT_EQ(seen.rtp_opts.reserved[0], kGuard);  // the 4.9 record's own reserved bytes
  EXPECT_EQ(seen.rtp_opts.reserved[sizeof(VtxRtpOptions49::reserved)], 0);

  EXPECT_EQ(caller.args.conn_mode, 9u);
  EXPECT_EQ(caller.args.udptl_opts.localAddr.sin_port, 7);
  EXPECT_EQ(caller.args.rtp_opts.localRTCPAddr.sin_port, 99);
  for (uint8_t byte : caller.guard) EXPECT_EQ(byte, kGuard);
}

int DialWorker(VtxLine*, VtxDialArgs* args) {
  Observe(args);
  memset(args->texts.raw_number, '7', 200);
  args->texts.raw_number[200] = '\0';
  args->wait_time = -1;
  return 0;
}
int TestDialOp(VtxLine* line, VtxDialArgs* args) {
  return Framed<Family::kDialDb, Carry::kOutput>(DialWorker, line, args);
}

TEST_F(FrameTest, A48DiallingRecordHasItsTextsWidenedAndCutBackTerminated) {
  AppVersion version(104800);
  // Room for the library's layout, as a wrongly built application would need it: the bytes
  // past the old record must stay untouched.
  std::vector<uint8_t> image(sizeof(VtxDialArgs), kGuard);
  memset(image.data(), 0, sizeof(VtxDialArgs48));
  const uint8_t head[] = {0, 0, 0, 0, 0, 0, 0, 0, 0x01, 0, 0, 0, 'd', 'b', '.', 'd', 'a', 't', 0};
  memcpy(image.data(), head, sizeof head);
  const size_t raw_number48 = 8 + 132;
  memcpy(image.data() + raw_number48, "0123", 5);

  ASSERT_EQ(TestDialOp(nullptr, reinterpret_cast<VtxDialArgs*>(image.data())), 0);
  VtxDialArgs seen;
  memcpy(&seen, g_bytes.data(), sizeof seen);
  EXPECT_EQ(seen.texts.text_flags, 1u);
  EXPECT_STREQ(seen.texts.db_file, "db.dat");
  EXPECT_STREQ(seen.texts.raw_number, "0123");
  for (size_t i = 128; i < sizeof seen.texts.raw_number; ++i)
    ASSERT_EQ(seen.texts.raw_number[i], 0);

  EXPECT_EQ(image[raw_number48 + 126], '7');
  EXPECT_EQ(image[raw_number48 + 127], 0);  // cut and terminated in its 128th character
  EXPECT_EQ(image[raw_number48 + 128], 0);  // the next text, left empty
  EXPECT_EQ(memcmp(image.data() + 12, "db.dat", 7), 0);
  int32_t wait_time;
  memcpy(&wait_time, image.data() + offsetof(VtxDialArgs48, wait_time), sizeof wait_time);
  EXPECT_EQ(wait_time, -1);
  for (size_t i = sizeof(VtxDialArgs48); i < image.size(); ++i) ASSERT_EQ(image[i], kGuard) << i;
}

}  // namespace
}  // namespace vtx::api
