// Every public operation that succeeds leaves `status` 0 and `line_status` 0, whatever the record
// held before: an application that reuses a record after a failure must not see the old failure
// on a call that worked. The frame around every operation starts the words at success (its own
// test shows it); here, the operations whose work passes through steps that could leave a
// failure of their own behind (searches, waits, retries, list walks, the reset) and the variadic
// one that cannot pass through the frame.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "admin.h"
#include "common.h"
#include "tests/support/app_version.h"
#include "tests/support/attached_line.h"

namespace vtx::testing {
namespace {

constexpr uint32_t kVar = 0x20;

// Leaves an earlier failure in `record`.
template <typename Record>
void MakeStale(Record& record) {
  record.status = CV_STATUS_ERROR;
  record.line_status = APIERR_BUSY;
}

template <typename Record>
Record Stale() {
  Record record{};
  MakeStale(record);
  return record;
}

// What one operation did: whether its return value says it succeeded, and its result words.
struct Outcome {
  bool succeeded;
  uint32_t status;
  uint32_t line_status;
};

template <typename Record>
Outcome Of(bool succeeded, const Record& record) {
  return {succeeded, record.status, record.line_status};
}

class ResultWordsTest : public AttachedLineTest {
 protected:
  void SetUp() override {
    AttachedLineTest::SetUp();
    SetCapability(line_, 87);  // the switching operations
    SetCapability(line_, 89);  // a telephony controller whose ADMIN resets critical sections
    SetCapability(line_, 77);
  }
  // A stale record for `verb` on ADMIN, waiting at most a second.
  static MillArgs Admin(uint32_t verb) {
    MillArgs args = AdminArgs(verb);
    MakeStale(args);
    return args;
  }
  // kVar on the line's channel, holding `value` for a set.
  static MillArgs VariableOfChannel(uint32_t value) {
    MillArgs args = Admin(0);
    args.tag_id = kVar;
    args.tag_type = MILL_TYPE_SHORT;
    args.var_value = value;
    return args;
  }
  // Sends GET kVar so that the answer waits to be received.
  void AskForTheVariable() {
    MillArgs get = Admin(MILL_VERB_GET);
    const MillTagItem ids[] = {{kVar, 0, 0, MILL_TAG_VALUE(0)}, {0, 0, 0, 0}};
    ASSERT_EQ(MillFormSendCmd(line_, &get, ids), MILL_SEND_SENT);
  }
  // The answer to a GET of the variable, received with `receive`.
  Outcome AnswerReceived(int (*receive)(VtxLine*, MillArgs*)) {
    AskForTheVariable();
    auto args = Stale<MillArgs>();
    args.timeout = 1000;
    return Of(receive(line_, &args) == 1, args);
  }
  // The first entry of a list walked one entry per call, walked on to its end, which releases
  // the walk.
  Outcome FirstOfList(int (*walk)(VtxLine*, VtxTelephArgs*)) {
    auto args = Stale<VtxTelephArgs>();
    const Outcome first = Of(walk(line_, &args) == 1, args);
    while (walk(line_, &args) == 1) {
    }
    return first;
  }
  static VtxTelephArgs Tdm(uint32_t unit) {
    VtxTelephArgs args = Stale<VtxTelephArgs>();
    args.conn_mode = 1;
    args.src_port_unit = args.src_slot = unit;
    args.dest_port_class = 1;
    args.dest_port_unit = args.dest_slot = unit;
    args.dest_stream = 1;
    return args;
  }
};

const MillTagItem kValue[] = {{kVar, MILL_TYPE_SHORT, 0, MILL_TAG_VALUE(0x1234)}, {0, 0, 0, 0}};

TEST_F(ResultWordsTest, OperationsOfManyStepsClearAStaleFailure) {
  using Operation = std::function<Outcome()>;
  const std::vector<std::pair<std::string, Operation>> operations = {
      {"VtxModuleInfo",
       [] {
         auto args = Stale<VtxModuleInfoArgs>();
         args.mod_num = 2;
         return Of(VtxModuleInfo(nullptr, &args) == 0 && args.exists == 1, args);
       }},
      {"VtxSessionAttach",
       [this] {
         auto args = Stale<VtxLineArgs>();
         args.dest_addr[1] = 1;  // module 2 itself
         args.dest_addr[2] = 2;
         VtxLine* session = VtxSessionAttach(&args);
         if (session != nullptr) Detach(session);
         return Of(session != nullptr, args);
       }},
      {"VtxLineAttach",
       [this] {
         auto args = Stale<VtxLineArgs>();
         args.unit = 2;
         VtxLine* line = VtxLineAttach(&args);
         if (line != nullptr) Detach(line);
         return Of(line != nullptr, args);
       }},
      {"VtxLineReset",
       [this] {
         auto args = Stale<VtxLineArgs>();
         args.skip_teleph = 1;
         return Of(VtxLineReset(line_, &args) == 0, args);
       }},
      {"VtxLineConfig",
       [this] {
         auto args = Stale<VtxLineArgs>();
         char text[] = "nrings 3";
         args.config_file_line = text;
         return Of(VtxLineConfig(line_, &args) == 0, args);
       }},
      {"VtxGetVar",
       [this] {
         MillArgs set = VariableOfChannel(9);
         VtxSetSingleVar(line_, &set);
         MillArgs args = VariableOfChannel(0);
         VtxGetVar(line_, &args);
         return Of(args.var_value == 9, args);
       }},
      {"MillFormTagListArgs",
       [] {
         uint8_t command[64];
         MillArgs args = Admin(MILL_VERB_SET);
         args.cmd_buf = command;
         MillFormCmd(&args, kValue);
         const uint32_t length = args.cmd_len;
         MakeStale(args);
         return Of(MillFormTagListArgs(&args, 0u) == static_cast<int>(length), args);
       }},
      {"MillReceivePkt", [this] { return AnswerReceived(MillReceivePkt); }},
      {"VtxRcvProcessPkt", [this] { return AnswerReceived(VtxRcvProcessPkt); }},
      {"MillWaitCmd",
       [this] {
         AskForTheVariable();
         MillArgs args = Admin(MILL_VERB_EVENT);
         args.code = COMMON_GET_RSP_EVENT;
         return Of(MillWaitCmd(line_, &args) == 1, args);
       }},
      {"VtxTelephGetInfo", [this] { return FirstOfList(VtxTelephGetInfo); }},
      {"VtxCallSWGetInfo", [this] { return FirstOfList(VtxCallSWGetInfo); }},
      {"VtxCallSWGetConns",
       [this] {
         VtxTelephArgs connect = Tdm(4);
         VtxCallSWConnect(line_, &connect);
         auto args = Stale<VtxTelephArgs>();
         return Of(VtxCallSWGetConns(line_, &args) == 1, args);
       }},
      {"VtxTelephReset",
       [this] {
         auto args = Stale<VtxTelephArgs>();
         VtxTelephReset(line_, &args);
         return Of(true, args);
       }},
  };
  for (const auto& [name, operation] : operations) {
    const Outcome outcome = operation();
    EXPECT_TRUE(outcome.succeeded) << name;
    EXPECT_EQ(outcome.status, CV_STATUS_OK) << name;
    EXPECT_EQ(outcome.line_status, 0u) << name;
  }
}

// A channel search tries each unit with the caller's record: the busy units it passes must not
// leave their failure behind once a free one attaches.
TEST_F(ResultWordsTest, ASearchPastBusyChannelsReportsTheAttachedOneCleanly) {
  VtxLine* first = Attach(0);
  ASSERT_NE(first, nullptr);
  VtxLineArgs args{};
  args.unit = -1;
  VtxLine* found = VtxLineAttach(&args);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->ordinal, 2) << "units 0 and 1 are taken";
  EXPECT_EQ(args.status, CV_STATUS_OK);
  EXPECT_EQ(args.line_status, 0u);
  Detach(found);
  Detach(first);
}

// An application built against an older record layout gets clean result words back too.
TEST_F(ResultWordsTest, AnOlderLayoutGetsCleanWordsBack) {
  AppVersion older(104800);  // 4.8 with interface 1: the 181-byte line record
  VtxLineArgs args = Stale<VtxLineArgs>();
  char text[] = "nrings 3";
  args.config_file_line = text;
  EXPECT_EQ(VtxLineConfig(line_, &args), 0);
  EXPECT_EQ(args.status, CV_STATUS_OK);
  EXPECT_EQ(args.line_status, 0u);
}

}  // namespace
}  // namespace vtx::testing
