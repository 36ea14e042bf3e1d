#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "admin.h"
#include "fax.h"
#include "sim/fax_firmware.h"
#include "tests/support/attached_line.h"

namespace {

class FaxLocalIdTest : public vtx::testing::AttachedLineTest {
 protected:
  std::vector<uint8_t> SentField(const char* id) {
    board().ClearCommandLog();
    VtxFaxLocalIdArgs args{};
    args.local_id = id;
    EXPECT_EQ(VtxFaxSetLocalId(line_, &args), 0);
    auto log = board().CommandLog();
    EXPECT_EQ(log.size(), 1u);
    if (log.size() != 1 || log[0].tags.size() != 1) return {};
    EXPECT_EQ(log[0].facility, static_cast<uint32_t>(MILL_FACILITY_FAX));
    EXPECT_EQ(log[0].tags[0].id, static_cast<uint32_t>(FAX_LOCAL_ID_VAR));
    EXPECT_EQ(log[0].tags[0].type, 0x10u);
    return log[0].tags[0].data;
  }
  static std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
};

TEST_F(FaxLocalIdTest, FieldIsReversedAndBlankFilled) {
  EXPECT_EQ(SentField("ABC"), Bytes("CBA                 "));
  EXPECT_EQ(SentField(""), Bytes("                    "));
  EXPECT_EQ(SentField("0123456789abcdefghijklmno"), Bytes("onmlkjihgfedcba98765"));
  // The channel keeps the last identifier.
  const sim::FwTag* kept = sim::FaxLocalId(board(), 1);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->data, Bytes("onmlkjihgfedcba98765"));
}

TEST_F(FaxLocalIdTest, RefusedOnALineToTheModuleItself) {
  VtxLine* module = AttachSession(1, 2, MILL_FACILITY_ADMIN);
  ASSERT_NE(module, nullptr);
  VtxFaxLocalIdArgs args{};
  args.local_id = "X";
  EXPECT_EQ(VtxFaxSetLocalId(module, &args), -1);
  EXPECT_EQ(args.line_status, APIERR_BOARDCAPABILITY);
  Detach(module);
}

TEST_F(FaxLocalIdTest, AbortIsAPriorityFinishWithoutWaiting) {
  VtxFaxArgs args{};
  VtxFaxAbort(line_, &args);
  EXPECT_EQ(args.status, CV_STATUS_OK);
  auto log = board().CommandLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].verb, static_cast<uint32_t>(MILL_VERB_FINISH));
  EXPECT_EQ(log[0].code, static_cast<uint32_t>(FAX_XMIT_RCV_MODE));
  EXPECT_TRUE(log[0].tags.empty());
  EXPECT_EQ(log[0].pkt_flags & MILL_PKT_PRIORITY, MILL_PKT_PRIORITY);
  ASSERT_EQ(board().fax().aborts.size(), 1u);
  EXPECT_EQ(board().fax().aborts[0].channel, 1u);
  EXPECT_TRUE(board().fax().aborts[0].priority);

  // A board that answers the abort: the answer is left for the application to receive.
  board().firmware().Set(MILL_FACILITY_FAX, MILL_VERB_FINISH, FAX_XMIT_RCV_MODE,
                         [](const sim::FwCommand&, sim::FwAnswer& answer) {
                           answer.Packet().Event(FAX_XMIT_RCV_FINISHED_EVENT);
                         });
  VtxFaxAbort(line_, &args);
  MillArgs receive{};
  EXPECT_EQ(MillReceivePkt(line_, &receive), 1);
}

}  // namespace
