#include <gtest/gtest.h>

#include <cstring>

#include "bytes.h"
#include "tests/support/capture.h"

using vtx::testing::Bytes;
using vtx::testing::FormCommand;
using vtx::testing::TraceCapture;

namespace {

// Forms one tag into a fresh buffer; the buffer keeps its 0xEE filler where nothing was written.
struct TagForm {
  Bytes out = Bytes(MILL_MAX_TAG_LEN + 8, 0xEE);
  MillArgs args{};
  int result = 0;

  TagForm(uint32_t verb, uint32_t id, uint32_t type, const Bytes& data, uint32_t value = 0) {
    args.verb = verb;
    args.tag_ptr = out.data();
    args.tag_id = id;
    args.tag_type = type;
    args.tag_data_len = static_cast<uint32_t>(data.size());
    args.tag_data_ptr = data.empty() ? MILL_TAG_VALUE(value) : const_cast<uint8_t*>(data.data());
    result = MillFormTag(&args);
  }
  Bytes Written() const { return Bytes(out.begin(), out.begin() + (result > 0 ? result : 0)); }
};

TEST(MillForm, IntegerTagWithoutDataCarriesTheValue) {
  TagForm tag(MILL_VERB_SET, 0x25, MILL_TYPE_SHORT, {}, 0x1234);
  EXPECT_EQ(tag.result, 5);
  EXPECT_EQ(tag.args.tag_len, 5u);
  EXPECT_EQ(tag.Written(), (Bytes{0x04, 0x25, 0x01, 0x34, 0x12}));

  TagForm high_id(MILL_VERB_SET, 0x531, MILL_TYPE_LONG, {}, 0xA1B2C3D4);
  EXPECT_EQ(high_id.Written(), (Bytes{0x07, 0xB1, 0x0A, 0x02, 0xD4, 0xC3, 0xB2, 0xA1}));
}

TEST(MillForm, TagLengthTakesTwoBytesAbove127) {
  TagForm b127(MILL_VERB_SET, 0x10, MILL_TYPE_BYTE, Bytes(125, 0x5A));
  ASSERT_EQ(b127.result, 128);
  EXPECT_EQ(b127.out[0], 0x7F);
  EXPECT_EQ(b127.out[1], 0x10);

  TagForm b128(MILL_VERB_SET, 0x10, MILL_TYPE_BYTE, Bytes(126, 0x5A));
  ASSERT_EQ(b128.result, 130);
  EXPECT_EQ((Bytes{b128.out[0], b128.out[1], b128.out[2], b128.out[3]}),
            (Bytes{0x80, 0x01, 0x10, 0x00}));
  EXPECT_EQ(b128.out[4], 0x5A);
  EXPECT_EQ(b128.out[129], 0x5A);
  EXPECT_EQ(b128.out[130], 0xEE);

  TagForm largest(MILL_VERB_SET, 0x10, MILL_TYPE_BYTE, Bytes(16381, 1));
  ASSERT_EQ(largest.result, 16385);
  EXPECT_EQ(largest.out[0], 0xFF);
  EXPECT_EQ(largest.out[1], 0x7F);
}

TEST(MillForm, RefusedTagsWriteNothing) {
  TraceCapture trace;
  struct Case {
    uint32_t type;
    size_t data_len;
    const char* message;
  } cases[] = {
      {MILL_TYPE_BYTE, 16382, "MillFormTag- Tag too long"},
      {MILL_TYPE_LIST, 0, "MillFormTag- Tag data size cannot be 0 for non-integer."},
      {MILL_TYPE_LONG, 6, "MillFormTag- Tag data size not multiple of base size."},
      {MILL_TYPE_SHORT | MILL_TYPE_EXT, 3, "MillFormTag- Tag data size not multiple of base size."},
  };
  for (const Case& c : cases) {
    trace.Clear();
    TagForm tag(MILL_VERB_SET, 0x10, c.type, Bytes(c.data_len, 1));
    EXPECT_EQ(tag.result, -1) << c.message;
    EXPECT_EQ(tag.args.status, CV_STATUS_ERROR);
    EXPECT_EQ(tag.args.line_status, APIERR_PACKET_CREATION);
    EXPECT_TRUE(trace.Contains(c.message));
    EXPECT_EQ(tag.out[0], 0xEE);
  }

  MillArgs args{};
  args.tag_type = MILL_TYPE_BYTE;
  EXPECT_EQ(MillFormTag(&args), -1);  // no output position
  EXPECT_EQ(args.line_status, APIERR_BADPARAMETER);
  uint8_t out[8];
  args = MillArgs{};
  args.tag_ptr = out;
  args.tag_data_len = 2;  // data length without data
  EXPECT_EQ(MillFormTag(&args), -1);
  EXPECT_EQ(args.line_status, APIERR_BADPARAMETER);
}

TEST(MillForm, CommandsOfEveryVerbTheHostForms) {
  const uint8_t text[] = {'h', 'i', 0};
  const MillTagItem tags[] = {
      {0x23, 0x10, 3, text}, {0x1F, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(7)}, {0, 0, 0, nullptr}};
  EXPECT_EQ(FormCommand(MILL_VERB_SET, 0, tags),
            (Bytes{0x0B, 0x00, 0x04, 0x05, 0x23, 0x10, 'h', 'i', 0, 0x03, 0x1F, 0x00, 0x07}));
  // GET tags carry only their ids.
  EXPECT_EQ(FormCommand(MILL_VERB_GET, 0, tags), (Bytes{0x05, 0x00, 0x06, 0x01, 0x23, 0x01, 0x1F}));
  EXPECT_EQ(FormCommand(MILL_VERB_REQUEST, 0x7F, nullptr), (Bytes{0x02, 0x00, 0x0A, 0x7F}));
  EXPECT_EQ(FormCommand(MILL_VERB_START, 0x502, nullptr), (Bytes{0x03, 0x00, 0x01, 0x82, 0x0A}));
  EXPECT_EQ(FormCommand(MILL_VERB_FINISH, 2, nullptr), (Bytes{0x02, 0x00, 0x02, 0x02}));
  EXPECT_EQ(FormCommand(MILL_VERB_EVENT, 0, nullptr), (Bytes{0x02, 0x00, 0x08, 0x00}));

  // DATA: bit count, stream, then the data at tag_ptr; a tag list is not appended.
  uint8_t data[] = {0xAB, 0x0C, 0xFF};
  uint8_t cmd[16];
  MillArgs args{};
  args.cmd_buf = cmd;
  args.verb = MILL_VERB_DATA;
  args.code = 3;
  args.data_bits = 12;
  args.tag_ptr = data;
  ASSERT_EQ(MillFormCmd(&args, tags), 9);
  EXPECT_EQ(Bytes(cmd, cmd + 9), (Bytes{0x07, 0x00, 0x03, 0x0C, 0x00, 0x03, 0x00, 0xAB, 0x0C}));
  args.data_bits = 0x10000;
  EXPECT_EQ(MillFormCmd(&args, nullptr), -1);
  EXPECT_EQ(args.line_status, APIERR_PACKET_CREATION);
  args.tag_ptr = nullptr;
  args.data_bits = 8;
  EXPECT_EQ(MillFormCmd(&args, nullptr), -1);
  EXPECT_EQ(args.line_status, APIERR_BADPARAMETER);
}

TEST(MillForm, VerbsTheHostDoesNotFormAreRefused) {
  TraceCapture trace;
  for (uint32_t verb : {0u, 5u, 7u, 9u, 11u, 0x100u}) {
    uint8_t cmd[8];
    MillArgs args{};
    args.cmd_buf = cmd;
    args.verb = verb;
    EXPECT_EQ(MillFormCmd(&args, nullptr), -1) << verb;
    EXPECT_EQ(args.status, CV_STATUS_ERROR);
    EXPECT_EQ(args.line_status, APIERR_BADPARAMETER);
  }
  EXPECT_TRUE(trace.Contains("MillFormCmd- Bad command verb"));
  MillArgs args{};
  args.verb = MILL_VERB_SET;
  EXPECT_EQ(MillFormCmd(&args, nullptr), -1);  // no command buffer
  EXPECT_EQ(args.line_status, APIERR_BADPARAMETER);
}

TEST(MillForm, CommandStopsBelow32768Bytes) {
  TraceCapture trace;
  Bytes cmd(MILL_MAX_CMD_LEN + 2, 0xEE);
  Bytes data(16379, 0x11);
  MillArgs args{};
  args.cmd_buf = cmd.data();
  args.verb = MILL_VERB_SET;
  const MillTagItem first[] = {{1, MILL_TYPE_BYTE, 16379, data.data()}, {0, 0, 0, nullptr}};
  ASSERT_EQ(MillFormCmd(&args, first), 3 + 16383);

  // A tag that would bring the command to 32768 bytes is refused and leaves it as it was.
  args.tag_id = 2;
  args.tag_type = MILL_TYPE_BYTE;
  args.tag_data_ptr = data.data();
  args.tag_data_len = 16378;
  EXPECT_EQ(MillFormAddTag(&args), -1);
  EXPECT_EQ(args.line_status, APIERR_PACKET_CREATION);
  EXPECT_TRUE(trace.Contains("MillFormAddTag- Command too long"));
  EXPECT_EQ(args.cmd_len, 16386u);
  EXPECT_EQ(cmd[16386], 0xEE);

  args.tag_data_len = 16377;
  ASSERT_EQ(MillFormAddTag(&args), 32767);
  EXPECT_EQ(args.tag_count, 2u);
  EXPECT_EQ(cmd[0] | cmd[1] << 8, 32765);
  EXPECT_EQ(cmd[32766], 0x11);
}

TEST(MillForm, TagListsFromAnArrayAndFromArguments) {
  const uint8_t addr[] = {0x0B, 1, 1, 0};
  const MillTagItem list[] = {{4, MILL_TYPE_BYTE, 4, addr},
                              {0x10, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(1)},
                              {0x0F, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(2)},
                              {0, 0, 0, nullptr}};
  const Bytes expected = FormCommand(MILL_VERB_EVENT, 6, list);

  Bytes cmd(64);
  MillArgs args{};
  args.cmd_buf = cmd.data();
  args.verb = MILL_VERB_EVENT;
  args.code = 6;
  ASSERT_GT(MillFormCmd(&args, nullptr), 0);
  ASSERT_EQ(MillFormTagListArgs(&args, 4u, 0u, 4u, addr, 0x10u, 2u, 0u, MILL_TAG_VALUE(1), 0x0Fu,
                                2u, 0u, MILL_TAG_VALUE(2), 0u),
            static_cast<int>(expected.size()));
  cmd.resize(args.cmd_len);
  EXPECT_EQ(cmd, expected);
  EXPECT_EQ(args.tag_count, 3u);
}

TEST(MillForm, HeaderInBothAddressModes) {
  const uint8_t dest[] = {1, 2, 3, 4};
  const uint8_t src[] = {0x0B, 1, 0x22, 0};
  uint8_t header[MILL_HEADER_LEN];
  MillArgs args{};
  args.pkt_buf = header;
  args.cmd_len = 5;
  args.pkt_flags = MILL_PKT_PRIORITY;
  memcpy(args.dest_addr, dest, 4);
  memcpy(args.src_addr, src, 4);
  {
    vtx::testing::AddressModeGuard mode(true);
    ASSERT_EQ(MillFormPktHeader(&args), MILL_HEADER_LEN);
    EXPECT_EQ(args.pkt_len, 11u);
    EXPECT_EQ(Bytes(header, header + 11), (Bytes{14, 0, 0x44, 1, 2, 3, 4, 0x0B, 1, 0x22, 0}));
  }
  {
    vtx::testing::AddressModeGuard mode(false);
    args.pkt_flags = 0;
    args.pkt_saved = 1;
    ASSERT_EQ(MillFormPktHeader(&args), MILL_HEADER_LEN);
    EXPECT_EQ(Bytes(header, header + 11),
              (Bytes{14, 0, 0x20, 0x81, 0x82, 0x83, 4, 0x8B, 0x81, 0xA2, 0}));
  }
  args.pkt_buf = nullptr;
  EXPECT_EQ(MillFormPktHeader(&args), -1);
  EXPECT_EQ(args.line_status, APIERR_BADPARAMETER);
}

TEST(MillForm, ValueEncoders) {
  struct Case {
    int (*put)(MillArgs*);
    uint32_t value;
    Bytes bytes;
  } cases[] = {
      {MillPutVarint, 0, {0x00}},
      {MillPutVarint, 150, {0x96, 0x01}},
      {MillPutVarint, 0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x0F}},
      {MillPutVarint15, 0x1234, {0x34, 0x12}},
      {MillPutVarint15, 0x8000, {0x00, 0x80, 0x01, 0x00}},
      {MillPutVarint15, 0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0x00}},
  };
  for (const Case& c : cases) {
    uint8_t out[8];
    MillArgs args{};
    args.value_ptr = out;
    args.var_value = c.value;
    ASSERT_EQ(c.put(&args), static_cast<int>(c.bytes.size())) << c.value;
    EXPECT_EQ(args.value_len, c.bytes.size());
    EXPECT_EQ(args.value_ptr, out + c.bytes.size());
    EXPECT_EQ(Bytes(out, out + c.bytes.size()), c.bytes);
  }
  uint8_t out[4];
  MillArgs args{};
  args.value_ptr = out;
  args.var_value = 0x11223344;
  args.value_len = 2;
  EXPECT_EQ(MillPutFixed(&args), 2);
  EXPECT_EQ(Bytes(out, out + 2), (Bytes{0x44, 0x33}));
  args.value_len = 3;
  EXPECT_EQ(MillPutFixed(&args), -1);
  EXPECT_EQ(args.line_status, APIERR_BADPARAMETER);
}

}  // namespace
