#include "packet/command_reader.h"

#include <gtest/gtest.h>

#include "bytes.h"
#include "tests/support/capture.h"

using vtx::packet::Command;
using vtx::packet::PacketReader;
using vtx::packet::Tag;
using vtx::testing::Bytes;
using vtx::testing::FormCommand;
using vtx::testing::FormPacket;

namespace {

const uint8_t kDest[] = {0x0B, 1, 0x22, 0};
const uint8_t kSrc[] = {0x0B, 2, 0x22, 0};

TEST(CommandReader, WalksCommandsTagsListsAndElements) {
  const uint8_t member[] = {0x03, 0x1F, 0x00, 0x05};  // VER_MAJOR 5
  const uint8_t shorts[] = {0x01, 0x00, 0xFF, 0xFF};
  const MillTagItem set_tags[] = {{0x1C, MILL_TYPE_LIST, sizeof member, member},
                                  {0x10, MILL_TYPE_SHORT | MILL_TYPE_SIGNED, 4, shorts},
                                  {0x05, 0x10, 4, "name"},
                                  {0, 0, 0, nullptr}};
  const MillTagItem get_tags[] = {{0x2D, 0, 0, nullptr}, {0, 0, 0, nullptr}};
  const Bytes packet =
      FormPacket({FormCommand(MILL_VERB_SET, 0, set_tags), FormCommand(MILL_VERB_GET, 0, get_tags)},
                 kDest, kSrc);

  PacketReader reader(packet.data(), packet.size());
  Command cmd;
  ASSERT_TRUE(reader.Next(cmd));
  EXPECT_EQ(cmd.facility, 0x0Bu);
  EXPECT_EQ(cmd.verb, static_cast<uint32_t>(MILL_VERB_SET));
  EXPECT_EQ(reader.src_addr()[1], 2);

  Tag tag;
  auto tags = cmd.Tags();
  ASSERT_TRUE(tags.Next(tag));
  ASSERT_TRUE(tag.IsList());
  auto members = tag.Members();
  Tag inner;
  ASSERT_TRUE(members.Next(inner));
  EXPECT_EQ(inner.id, 0x1Fu);
  EXPECT_EQ(inner.Int(), 5);
  EXPECT_FALSE(members.Next(inner));

  ASSERT_TRUE(tags.Next(tag));
  auto elements = tag.Ints();
  int32_t value;
  ASSERT_TRUE(elements.Next(value));
  EXPECT_EQ(value, 1);
  ASSERT_TRUE(elements.Next(value));
  EXPECT_EQ(value, -1);
  EXPECT_FALSE(elements.Next(value));

  ASSERT_TRUE(cmd.FindTag(0x05, tag));
  EXPECT_EQ(tag.Text(), "name");
  EXPECT_FALSE(cmd.FindTag(0x06, tag));

  ASSERT_TRUE(reader.Next(cmd));
  EXPECT_EQ(cmd.verb, static_cast<uint32_t>(MILL_VERB_GET));
  ASSERT_TRUE(cmd.FindTag(0x2D, tag));
  EXPECT_EQ(tag.data_len, 0u);
  EXPECT_EQ(tag.Int(-7), -7);
  EXPECT_FALSE(reader.Next(cmd));
  EXPECT_FALSE(reader.failed());
}

TEST(CommandReader, MalformedInputEndsTheWalkAsFailed) {
  vtx::testing::TraceCapture trace;
  Bytes packet = FormPacket({Bytes{0x04, 0x00, 0x04, 0x05, 0x01, 0x00}}, kDest, kSrc);
  PacketReader reader(packet.data(), packet.size());
  Command cmd;
  ASSERT_TRUE(reader.Next(cmd));
  Tag tag;
  auto tags = cmd.Tags();
  EXPECT_FALSE(tags.Next(tag));  // the tag claims 5 bytes, 2 follow
  EXPECT_TRUE(tags.failed());

  packet.push_back(0x09);  // half a length field
  PacketReader cut(packet.data(), packet.size());
  ASSERT_TRUE(cut.Next(cmd));
  EXPECT_FALSE(cut.Next(cmd));
  EXPECT_TRUE(cut.failed());
  EXPECT_TRUE(trace.Contains("Parse error on: getting command from packet"));
}

}  // namespace
