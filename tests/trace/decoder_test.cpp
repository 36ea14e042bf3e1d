#include "trace/decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace vtx::testing {
namespace {

using Bytes = std::vector<uint8_t>;

// A command: the length field, then `body` (verb, verb fields and tags).
// Sized once and filled in place: growing a two-byte vector by the body made GCC 12 at -O3 see a
// copy past its first allocation that never happens.
Bytes Command(const Bytes& body) {
  Bytes cmd(body.size() + 2);
  cmd[0] = static_cast<uint8_t>(body.size());
  cmd[1] = static_cast<uint8_t>(body.size() >> 8);
  std::copy(body.begin(), body.end(), cmd.begin() + 2);
  return cmd;
}

std::string Decode(uint32_t facility, const Bytes& cmd, uint32_t options = 0,
                   bool* truncated = nullptr) {
  char text[4096];
  bool cut = false;
  char* end =
      trace::DecodeCommand(text, sizeof text, facility, cmd.data(), cmd.size(), options, &cut);
  if (truncated != nullptr) *truncated = cut;
  EXPECT_EQ(static_cast<size_t>(end - text), std::string(text).size());
  return text;
}

TEST(Decoder, NestedListsAreIndentedFourBlanksPerLevel) {
  // ADMIN SET BOOT_ROM_VER { CONTROL_PROC_VER { VER_MAJOR 5 } VER_DATE "Mar" }
  const Bytes cmd = Command({0x04,                                      // SET
                             0x10, 0x1C, 0x03,                          // list of 16
                             0x06, 0x1D, 0x03, 0x03, 0x1F, 0x00, 0x05,  // list { byte }
                             0x06, 0x23, 0x10, 'M', 'a', 'r', 0x00});   // Char "Mar\0"
  bool truncated = true;
  EXPECT_EQ(Decode(1, cmd, 0, &truncated),
            "(01) ADMIN (04) SET "
            "\n    (1C) BOOT_ROM_VER [03: Fix Uns List Unitless] LIST:"
            "\n        (1D) CONTROL_PROC_VER [03: Fix Uns List Unitless] LIST:"
            "\n            (1F) VER_MAJOR [00: Fix Uns Byte Unitless] 05 "
            "\n        (23) VER_DATE [10: Fix Uns Byte Char] \"Mar\" ");
  EXPECT_FALSE(truncated);
}

TEST(Decoder, IntegerElementsStopAtThirty) {
  Bytes body{0x04, 0xA2, 0x01, 0x78, 0x02};  // SET, tag of 162 bytes: RESULT_CODE Long
  for (uint8_t i = 0; i < 40; ++i) body.insert(body.end(), {i, 0, 0, 0x80});
  std::string expected =
      "(0B) HOST_CTRL (04) SET \n    (78) RESULT_CODE [02: Fix Uns Long Unitless] ";
  for (int i = 0; i < 30; ++i) {
    char element[16];
    snprintf(element, sizeof element, "%s%08X", i > 0 ? " " : "", 0x80000000u | i);
    expected += element;
  }
  expected += " ... ";
  EXPECT_EQ(Decode(0x0B, Command(body)), expected);

  // Ext elements are varint codes; signed Byte and Short elements are sign-extended.
  EXPECT_EQ(Decode(0x0B, Command({0x04, 0x05, 0x62, 0x08, 0x96, 0x01, 0x05,  //
                                  0x04, 0x62, 0x04, 0xFF, 0x01,              //
                                  0x06, 0x62, 0x0D, 0xFF, 0xFF, 0x01, 0x00})),
            "(0B) HOST_CTRL (04) SET "
            "\n    (62) HOST_CONTEXT [08: Ext Uns Byte Unitless] 96 05 "
            "\n    (62) HOST_CONTEXT [04: Fix Sig Byte Unitless] FFFFFFFF 01 "
            "\n    (62) HOST_CONTEXT [0D: Ext Sig Short Unitless] FFFFFFFF ");
}

TEST(Decoder, NamesFallBackToGenericThenUnknown) {
  EXPECT_EQ(Decode(5, Command({0x08, 0x7F})), "(05) SIG_DET (08) EVENT (7F) ERROR_REPORT ");
  EXPECT_EQ(Decode(5, Command({0x08, 0xD0, 0x01})), "(05) SIG_DET (08) EVENT (D0) UNKNOWN_EVENT ");
  EXPECT_EQ(Decode(0x0C, Command({0x0A, 0x7F})),
            "(0C) UNKNOWN_FACIL (0A) REQUEST (7F) GET_CAPABILITIES ");
  EXPECT_EQ(Decode(1, Command({0x01, 0x04})), "(01) ADMIN (01) START (04) UNKNOWN_MODE ");
  EXPECT_EQ(Decode(1, Command({0x0B, 0x01, 0x02})), "(01) ADMIN (0B) UNKNOWN_VERB ");
  EXPECT_EQ(Decode(1, Command({0x09, 0x01, 0x02})), "(01) ADMIN (09) INDIRECT ");
  // GET tags carry ids only; an unnamed tag and the unit-unknown bit.
  EXPECT_EQ(Decode(1, Command({0x06, 0x01, 0x1F, 0x01, 0x55})),
            "(01) ADMIN (06) GET \n    (1F) VER_MAJOR \n    (55) UNKNOWN_TAG ");
  EXPECT_EQ(Decode(1, Command({0x04, 0x05, 0x55, 0x91, 0x01, 0x01, 0x00})),
            "(01) ADMIN (04) SET \n    (55) UNKNOWN_TAG [91: Fix Uns Short Unknown] 0001 ");
}

TEST(Decoder, DataCommandsAndTheLengthAreShownOnRequest) {
  const Bytes data = Command({0x03, 0x10, 0x00, 0x02, 0x00, 0xAA, 0xBB});
  EXPECT_EQ(Decode(2, data), "");
  EXPECT_EQ(Decode(2, data, trace::kDecodeData), "(02) SPEECH (03) DATA Strm 2, 10 bits");
  EXPECT_EQ(Decode(2, Command({0x04}), trace::kDecodeLength), "L3 (02) SPEECH (04) SET ");
}

TEST(Decoder, ShortCommandsAndTagsEndWithTrunc) {
  bool truncated = false;
  // A tag whose length runs past the command: the tags before it stay.
  EXPECT_EQ(Decode(1, Command({0x04, 0x03, 0x1F, 0x00, 0x05, 0x05, 0x1F, 0x00}), 0, &truncated),
            "(01) ADMIN (04) SET \n    (1F) VER_MAJOR [00: Fix Uns Byte Unitless] 05 \nTRUNC");
  EXPECT_TRUE(truncated);
  // Elements that cannot be read: half a Short, an Ext Long, a varint without its end.
  for (const Bytes& tag : {Bytes{0x03, 0x1F, 0x01, 0x05}, Bytes{0x03, 0x1F, 0x0A, 0x05},
                           Bytes{0x03, 0x1F, 0x08, 0x85}}) {
    Bytes body{0x04};
    body.insert(body.end(), tag.begin(), tag.end());
    const std::string text = Decode(1, Command(body), 0, &truncated);
    EXPECT_EQ(text.substr(text.size() - 6), "\nTRUNC");
    EXPECT_TRUE(truncated);
  }
  // The command's length field runs past the bytes given; a code without its end.
  Bytes past = Command({0x04, 0x02, 0x1F});
  past[0] = 9;
  EXPECT_EQ(Decode(1, past, 0, &truncated), "\nTRUNC");
  EXPECT_TRUE(truncated);
  EXPECT_EQ(Decode(1, Command({0x08, 0x85}), 0, &truncated), "\nTRUNC");
  EXPECT_EQ(Decode(1, Bytes{0x00}, trace::kDecodeLength, &truncated), "L1 \nTRUNC");
}

TEST(Decoder, TheTextNeverPassesTheBuffer) {
  const Bytes cmd = Command({0x04, 0x06, 0x1C, 0x03, 0x03, 0x1F, 0x00, 0x05});
  const std::string full = Decode(1, cmd);
  for (size_t size = 0; size <= full.size() + 1; ++size) {
    std::vector<char> text(size + 8, '#');
    char* end = trace::DecodeCommand(text.data(), size, 1, cmd.data(), cmd.size(), 0, nullptr);
    for (size_t i = size; i < text.size(); ++i) ASSERT_EQ(text[i], '#') << size;
    if (size == 0) continue;
    EXPECT_EQ(std::string(text.data()), full.substr(0, size - 1));
    EXPECT_EQ(end, text.data() + std::min(size - 1, full.size()));
  }
}

}  // namespace
}  // namespace vtx::testing
