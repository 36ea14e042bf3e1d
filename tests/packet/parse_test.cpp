#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "bytes.h"
#include "tests/support/capture.h"

using vtx::testing::AddressModeGuard;
using vtx::testing::Bytes;
using vtx::testing::FormCommand;
using vtx::testing::FormPacket;
using vtx::testing::TraceCapture;

namespace {

const uint8_t kDest[] = {1, 2, 3, 4};
const uint8_t kSrc[] = {0x0B, 1, 0x22, 0};

// Reads a packet held in `bytes` command by command.
struct Reader {
  Bytes bytes;
  MillArgs args{};
  explicit Reader(Bytes packet, bool outgoing = false) : bytes(std::move(packet)) {
    args.pkt_buf = bytes.data();
    args.pkt_len = static_cast<uint32_t>(bytes.size());
    args.outgoing = outgoing;
  }
};

// A tag area of one tag with the given bytes, read with MillGetTag.
MillArgs ReadTag(Bytes& area, uint32_t verb = MILL_VERB_SET) {
  MillArgs args{};
  args.verb = verb;
  args.tag_ptr = area.data();
  args.tags_left = static_cast<uint32_t>(area.size());
  MillGetTag(&args);
  return args;
}

TEST(MillParse, ShortPacketsAreHeaderErrors) {
  TraceCapture trace;
  Reader header_only(Bytes(10, 0));
  EXPECT_EQ(MillGetPktHeader(&header_only.args), -1);
  EXPECT_EQ(header_only.args.line_status, APIERR_PACKET_PARSE);
  EXPECT_TRUE(trace.Contains("Parse error on: packet header"));

  trace.Clear();
  Reader stepping(Bytes(10, 0));
  EXPECT_EQ(MillGetCmd(&stepping.args), -1);
  EXPECT_EQ(stepping.args.status, CV_STATUS_ERROR);
  EXPECT_EQ(stepping.args.line_status, APIERR_PACKET_PARSE);
  EXPECT_TRUE(trace.Contains("Parse error on: getting command from packet"));
  EXPECT_FALSE(trace.Contains("packet header"));

  MillArgs none{};
  EXPECT_EQ(MillGetCmd(&none), -1);
  EXPECT_EQ(none.line_status, APIERR_BADPARAMETER);
}

TEST(MillParse, HeaderAndFacilityInFullByteMode) {
  AddressModeGuard mode(true);
  Reader r(FormPacket({FormCommand(MILL_VERB_EVENT, 8, nullptr)}, kDest, kSrc));
  ASSERT_EQ(MillGetCmd(&r.args), 1);
  EXPECT_EQ(r.args.pkt_len_field, 13u);
  EXPECT_EQ(r.args.pkt_flags, MILL_PKT_FULL_BYTE);
  EXPECT_EQ(0, memcmp(r.args.dest_addr, kDest, 4));
  EXPECT_EQ(0, memcmp(r.args.src_addr, kSrc, 4));
  EXPECT_EQ(r.args.facility, 1u);  // destination byte 0
  EXPECT_EQ(r.args.cmd_len, 4u);
  EXPECT_EQ(r.args.cmd_buf, r.bytes.data() + 11);
  EXPECT_EQ(MillGetCmd(&r.args), 0);

  Bytes flagged = r.bytes;
  flagged[2] |= MILL_PKT_SRC_FACILITY;
  Reader s(flagged);
  ASSERT_EQ(MillGetCmd(&s.args), 1);
  EXPECT_EQ(s.args.facility, 0x0Bu);  // source byte 0
}

TEST(MillParse, SevenBitAddresses) {
  AddressModeGuard mode(false);
  // Written by the host: 4 bytes per address, bit 7 in the first three.
  Bytes sent = FormPacket({FormCommand(MILL_VERB_EVENT, 8, nullptr)}, kDest, kSrc);
  EXPECT_EQ(Bytes(sent.begin() + 3, sent.begin() + 7), (Bytes{0x81, 0x82, 0x83, 0x04}));
  Reader outgoing(sent, true);
  ASSERT_EQ(MillGetCmd(&outgoing.args), 1);
  EXPECT_EQ(outgoing.args.facility, 1u);  // a formed packet: the destination's facility
  Reader incoming(sent);
  ASSERT_EQ(MillGetCmd(&incoming.args), 1);
  EXPECT_EQ(incoming.args.facility, 0x0Bu);  // a received packet: the source's
  EXPECT_EQ(Bytes(incoming.args.src_addr, incoming.args.src_addr + 4),
            (Bytes{0x8B, 0x81, 0xA2, 0x00}));

  // Short addresses end at the first byte without bit 7; the rest reads as 0.
  Bytes received = {0x0A, 0, 0, 0x81, 0x05, 0x81, 0x05, 0x02, 0x00, 0x08, 0x02, 0xEE, 0xEE};
  Reader r(received);
  ASSERT_EQ(MillGetPktHeader(&r.args), 7);
  EXPECT_EQ(Bytes(r.args.src_addr, r.args.src_addr + 4), (Bytes{0x81, 0x05, 0x00, 0x00}));
  Reader c(received);
  ASSERT_EQ(MillGetCmd(&c.args), 1);
  EXPECT_EQ(c.args.facility, 1u);
  EXPECT_EQ(c.args.cmd_buf, c.bytes.data() + 7);
  ASSERT_EQ(MillParseCmd(&c.args), 1);
  EXPECT_EQ(c.args.verb, 8u);
  EXPECT_EQ(c.args.code, 2u);

  // An address ends after its fourth byte whatever its bit 7 says.
  Reader longest(Bytes{0x09, 0, 0, 0x81, 0x82, 0x83, 0x84, 0x81, 0x82, 0x83, 0x84});
  EXPECT_EQ(MillGetPktHeader(&longest.args), 11);
  EXPECT_EQ(longest.args.src_addr[3], 0x84);
  EXPECT_EQ(longest.args.pkt_len, 0u);
}

TEST(MillParse, VerbFieldsOfACommand) {
  TraceCapture trace;
  struct Case {
    Bytes cmd;
    int result;
    uint32_t verb, code, data_bits, tags_left;
  } cases[] = {
      {{0x03, 0x00, 0x01, 0x82, 0x0A}, 1, 1, 0x502, 0, 0},
      {{0x04, 0x00, 0x08, 0x7F, 0x01, 0x02}, 1, 8, 0x7F, 0, 2},
      {{0x07, 0x00, 0x03, 0x0C, 0x00, 0x03, 0x00, 0xAB, 0x0C}, 1, 3, 3, 12, 2},
      {{0x01, 0x00, 0x09}, 1, 9, 0, 0, 0},                     // INDIRECT: no fields
      {{0x01, 0x00, 0x0A}, -1, 0, 0, 0, 0},                    // REQUEST without its code
      {{0x02, 0x00, 0x0A, 0x80}, -1, 0, 0, 0, 0},              // code runs past the command
      {{0x05, 0x00, 0x03, 0x0C, 0x00, 0x03}, -1, 0, 0, 0, 0},  // DATA stream cut
      {{0x05, 0x00, 0x04}, -1, 0, 0, 0, 0},                    // length field too long
      {{0x00, 0x00}, -1, 0, 0, 0, 0},                          // no verb
  };
  for (const Case& c : cases) {
    Bytes cmd = c.cmd;
    MillArgs args{};
    args.cmd_buf = cmd.data();
    args.cmd_len = static_cast<uint32_t>(cmd.size());
    ASSERT_EQ(MillParseCmd(&args), c.result) << testing::PrintToString(c.cmd);
    if (c.result < 0) {
      EXPECT_EQ(args.line_status, APIERR_PACKET_PARSE);
      continue;
    }
    EXPECT_EQ(args.verb, c.verb);
    EXPECT_EQ(args.code, c.code);
    EXPECT_EQ(args.data_bits, c.data_bits);
    EXPECT_EQ(args.tags_left, c.tags_left);
    EXPECT_EQ(args.tag_ptr, cmd.data() + cmd.size() - c.tags_left);
  }
  EXPECT_TRUE(trace.Contains("Parse error on: command"));
}

TEST(MillParse, TagsAndTheirFailures) {
  TraceCapture trace;
  Bytes set = {0x04, 0x25, 0x01, 0x34, 0x12};
  MillArgs tag = ReadTag(set);
  EXPECT_EQ(tag.tag_id, 0x25u);
  EXPECT_EQ(tag.tag_type, 1u);
  EXPECT_EQ(tag.tag_len, 5u);
  EXPECT_EQ(tag.tag_data_len, 2u);
  EXPECT_EQ(tag.tag_data_ptr, set.data() + 3);
  EXPECT_EQ(tag.tags_left, 0u);
  EXPECT_EQ(MillGetTagInt(&tag), 0x1234);
  EXPECT_EQ(MillGetTag(&tag), 0);

  Bytes get = {0x02, 0xB1, 0x0A};
  tag = ReadTag(get, MILL_VERB_GET);
  EXPECT_EQ(tag.tag_id, 0x531u);
  EXPECT_EQ(tag.tag_type, 0u);
  EXPECT_EQ(tag.tag_data_len, 0u);

  for (Bytes bad : {Bytes{0x05, 0x25, 0x01, 0x34, 0x12},  // length past the area
                    Bytes{0x01, 0x80, 0x01},              // id past the tag end
                    Bytes{0x01, 0x25},                    // no type
                    Bytes{0x80}}) {                       // length code cut
    trace.Clear();
    MillArgs failed = ReadTag(bad);
    EXPECT_EQ(failed.line_status, APIERR_PACKET_PARSE) << testing::PrintToString(bad);
    EXPECT_TRUE(trace.Contains("Parse error on: getting tagged values"));
  }
}

TEST(MillParse, IntegerElements) {
  TraceCapture trace;
  struct Case {
    uint32_t type;
    Bytes data;
    std::vector<int32_t> values;
    bool fails_after;
  } cases[] = {
      {MILL_TYPE_BYTE | MILL_TYPE_EXT, {0x96, 0x01, 0x05}, {150, 5}, false},
      {MILL_TYPE_BYTE | MILL_TYPE_SIGNED, {0xFF, 0x7F}, {-1, 127}, false},
      {MILL_TYPE_SHORT | MILL_TYPE_SIGNED, {0xFE, 0xFF}, {-2}, false},
      {MILL_TYPE_SHORT, {0xFE, 0xFF, 0x01}, {0xFFFE}, true},
      {MILL_TYPE_SHORT | MILL_TYPE_EXT, {0x00, 0x80, 0x01, 0x00}, {0x8000}, false},
      {MILL_TYPE_LONG | MILL_TYPE_SIGNED, {0xFF, 0xFF, 0xFF, 0xFF}, {-1}, false},
      {MILL_TYPE_BYTE | MILL_TYPE_EXT, {0x96}, {}, true},
      {MILL_TYPE_LONG | MILL_TYPE_EXT, {0x01}, {}, true},
      {MILL_TYPE_LIST, {0x01}, {}, true},
  };
  for (const Case& c : cases) {
    Bytes data = c.data;
    MillArgs args{};
    args.tag_type = c.type;
    args.value_ptr = data.data();
    args.value_len = static_cast<uint32_t>(data.size());
    for (int32_t expected : c.values) {
      EXPECT_EQ(MillGetTagInt(&args), expected) << c.type;
      EXPECT_EQ(args.var_value, static_cast<uint32_t>(expected));
    }
    EXPECT_EQ(args.status, CV_STATUS_OK);
    if (c.fails_after) {
      MillGetTagInt(&args);
      EXPECT_EQ(args.line_status, APIERR_PACKET_PARSE) << c.type;
      EXPECT_EQ(args.value_used, 0u);
    }
  }
  EXPECT_TRUE(trace.Contains("Parse error on: integer tagged value"));
}

TEST(MillParse, ValueDecodersStayInsideTheirBytes) {
  Bytes bytes = {0x96, 0x01, 0x34, 0x92, 0x01, 0x00, 0x80};
  MillArgs args{};
  args.value_ptr = bytes.data();
  args.value_len = 2;
  EXPECT_EQ(MillGetVarint(&args), 150u);
  EXPECT_EQ(args.value_used, 2u);
  args.value_len = 4;
  EXPECT_EQ(MillGetVarint15(&args), 0x1234u | (1u << 15));
  args.value_len = 1;
  EXPECT_EQ(MillGetVarint(&args), 0u);  // 0x80 needs a further byte
  EXPECT_EQ(args.line_status, APIERR_PACKET_PARSE);
  EXPECT_EQ(args.value_ptr, bytes.data() + 6);

  args = MillArgs{};
  args.value_ptr = bytes.data();
  args.value_len = 2;
  EXPECT_EQ(MillGetFixed(&args), 0x0196u);
  EXPECT_EQ(MillGetFixed(&args), 0x9234u);
}

TEST(MillParse, NestedListsAreWalkedWithASecondRecord) {
  // DSP_VER { VER_MAJOR 3, { VER_BUILD 9 } } in a CHANNEL_RESET_DONE event.
  const uint8_t build[] = {0x03, 0x22, 0x00, 0x09};
  const uint8_t inner_list[] = {0x06, 0x30, 0x03, build[0], build[1], build[2], build[3]};
  Bytes outer = {0x03, 0x1F, 0x00, 0x03};
  outer.insert(outer.end(), inner_list, inner_list + sizeof inner_list);
  const MillTagItem tags[] = {
      {0x1E, MILL_TYPE_LIST, static_cast<uint32_t>(outer.size()), outer.data()},
      {0, 0, 0, nullptr}};
  Bytes cmd = FormCommand(MILL_VERB_EVENT, 8, tags);
  MillArgs args{};
  args.cmd_buf = cmd.data();
  args.cmd_len = static_cast<uint32_t>(cmd.size());
  ASSERT_EQ(MillParseCmd(&args), 1);
  ASSERT_EQ(MillGetTag(&args), 1);
  ASSERT_EQ(args.tag_id, 0x1Eu);

  MillArgs list{};
  list.tag_ptr = args.tag_data_ptr;
  list.tags_left = args.tag_data_len;
  ASSERT_EQ(MillGetTag(&list), 1);
  EXPECT_EQ(MillGetTagInt(&list), 3);
  ASSERT_EQ(MillGetTag(&list), 1);
  ASSERT_EQ(list.tag_type, MILL_TYPE_LIST);
  MillArgs nested{};
  nested.tag_ptr = list.tag_data_ptr;
  nested.tags_left = list.tag_data_len;
  ASSERT_EQ(MillGetTag(&nested), 1);
  EXPECT_EQ(nested.tag_id, 0x22u);
  EXPECT_EQ(MillGetTagInt(&nested), 9);
  EXPECT_EQ(MillGetTag(&nested), 0);
  EXPECT_EQ(MillGetTag(&list), 0);
  EXPECT_EQ(MillGetTag(&args), 0);
}

// Random SET, EVENT and GET commands survive forming and parsing, and every prefix of their
// packet reads the whole commands it holds and then stops cleanly.
TEST(MillParse, GeneratedCommandsRoundTripAndEveryCutIsSafe) {
  TraceCapture trace(0);  // parse errors are expected here
  std::mt19937 random(1234);
  for (int round = 0; round < 40; ++round) {
    const uint32_t verbs[] = {MILL_VERB_SET, MILL_VERB_EVENT, MILL_VERB_GET, MILL_VERB_REQUEST};
    const uint32_t verb = verbs[round % 4];
    std::vector<Bytes> data(1 + random() % 6);
    std::vector<MillTagItem> tags;
    for (Bytes& d : data) {
      const uint32_t type = (random() % 2 ? MILL_TYPE_SHORT : MILL_TYPE_BYTE) | (random() % 8) << 4;
      d.resize((1 + random() % 200) * (type & 1 ? 2 : 1));
      for (uint8_t& b : d) b = static_cast<uint8_t>(random());
      tags.push_back({1 + static_cast<uint32_t>(random() % 0x600), type,
                      static_cast<uint32_t>(d.size()), d.data()});
    }
    tags.push_back({0, 0, 0, nullptr});
    const Bytes cmd = FormCommand(verb, random() % 0x800, tags.data());
    ASSERT_FALSE(cmd.empty());
    const Bytes packet = FormPacket({cmd, cmd}, kDest, kSrc);

    for (size_t cut = 0; cut <= packet.size(); ++cut) {
      Reader r(Bytes(packet.begin(), packet.begin() + cut));
      size_t commands = 0;
      int got;
      while ((got = MillGetCmd(&r.args)) == 1) {
        ++commands;
        ASSERT_EQ(MillParseCmd(&r.args), 1);
        ASSERT_EQ(r.args.verb, verb);
        for (const MillTagItem& expected : tags) {
          if (expected.tag_id == 0) break;
          ASSERT_EQ(MillGetTag(&r.args), 1);
          EXPECT_EQ(r.args.tag_id, expected.tag_id);
          if (verb == MILL_VERB_GET) continue;
          EXPECT_EQ(r.args.tag_type, expected.tag_type);
          ASSERT_EQ(r.args.tag_data_len, expected.data_len);
          EXPECT_EQ(0, memcmp(r.args.tag_data_ptr, expected.data, expected.data_len));
        }
        EXPECT_EQ(MillGetTag(&r.args), 0);
      }
      const size_t whole = cut < MILL_HEADER_LEN ? 0 : (cut - MILL_HEADER_LEN) / cmd.size();
      EXPECT_EQ(commands, whole) << cut;
      const bool at_boundary = cut >= MILL_HEADER_LEN && (cut - MILL_HEADER_LEN) % cmd.size() == 0;
      EXPECT_EQ(got, at_boundary ? 0 : -1) << cut;
    }
  }
}

}  // namespace
