// The protocol file reader: every way a file can be wrong, each with its exact message, for both
// size rules; and the header layout against literal bytes.
#include "portcc/protocol_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/portcc/portcc_fixture.h"

namespace vtx::testing {
namespace {

using portcc::SizeRule;

size_t OpenDescriptors() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++count;
  }
  return count;
}

struct Case {
  const char* name;
  SizeRule rule;
  std::function<std::vector<uint8_t>()> bytes;
  const char* message;  // after "Module 2, Port 1, "; empty: the file is good
};

std::vector<uint8_t> Filled(size_t size) {
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 7);
  return data;
}

ProtocolBytes File(uint16_t type, size_t size) {
  return ProtocolBytes(type, Filled(size));
}

std::vector<uint8_t> Changed(ProtocolBytes file,
                             const std::function<void(ProtocolBytes&)>& change) {
  change(file);
  return file.Bytes();
}

TEST(ProtocolFile, EachFaultGivesItsMessageAndFalse) {
  const std::vector<Case> cases = {
      {"short_header", SizeRule::kAnalog,
       [] {
         return std::vector<uint8_t>{0x4D, 0x3C, 12, 0, 0};
       },
       "ERROR : Cannot read protocol header"},
      {"swapped_signature", SizeRule::kAnalog,
       [] { return Changed(File(3, 8), [](ProtocolBytes& f) { f.header.signature = 0x4D3C; }); },
       "ERROR : Incorrect protocol header signature (read(4d3c) != 3c4d)"},
      {"header_size", SizeRule::kCas,
       [] { return Changed(File(3, 8), [](ProtocolBytes& f) { f.header.header_size = 10; }); },
       "ERROR : Incorrect protocol header size"},
      {"analog_type5_160", SizeRule::kAnalog, [] { return File(5, 160).Bytes(); },
       "ERROR : Protocol size 160 doesn't match data structure size 164"},
      {"analog_type0_160", SizeRule::kAnalog, [] { return File(0, 160).Bytes(); },
       "ERROR : Protocol size 160 doesn't match data structure size 164"},
      {"analog_type7_160", SizeRule::kAnalog, [] { return File(7, 160).Bytes(); },
       "ERROR : Protocol size 160 doesn't match data structure size 164"},
      {"cas_type5_160", SizeRule::kCas, [] { return File(5, 160).Bytes(); },
       "ERROR : Protocol size 160 doesn't match data structure size 164"},
      {"cas_type0_160", SizeRule::kCas, [] { return File(0, 160).Bytes(); }, ""},
      {"cas_type7_160", SizeRule::kCas, [] { return File(7, 160).Bytes(); }, ""},
      {"analog_type5_164", SizeRule::kAnalog, [] { return File(5, 164).Bytes(); }, ""},
      {"analog_type3_200", SizeRule::kAnalog, [] { return File(3, 200).Bytes(); }, ""},
      {"cas_type3_200", SizeRule::kCas, [] { return File(3, 200).Bytes(); }, ""},
      {"short_data", SizeRule::kAnalog,
       [] {
         auto bytes = File(3, 40).Bytes();
         bytes.resize(bytes.size() - 1);
         return bytes;
       },
       "ERROR : Cannot read protocol data"},
      {"checksum", SizeRule::kAnalog,
       [] { return Changed(File(3, 40), [](ProtocolBytes& f) { f.data[17] ^= 0x10; }); },
       "ERROR : Invalid checksum"},
      {"oversized", SizeRule::kAnalog, [] { return File(3, 1025).Bytes(); },
       "ERROR : Protocol size 1025 exceeds the buffer size 1024"},
      {"full_buffer", SizeRule::kAnalog, [] { return File(3, 1024).Bytes(); }, ""},
  };
  ProtocolFiles files;
  const size_t descriptors = OpenDescriptors();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = files.Write(c.name, c.bytes());
    uint8_t buffer[portcc::kProtocolBufferSize];
    uint32_t size = 0xDEAD;
    CcCapture capture;
    const bool good =
        portcc::ReadProtocolFile(2, 1, path.c_str(), c.rule, buffer, sizeof buffer, &size);
    EXPECT_TRUE(capture.Contains("Module 2, Port 1, protocol file " + path));
    if (c.message[0] == '\0') {
      EXPECT_TRUE(good);
      EXPECT_EQ(size, c.bytes().size() - portcc::kProtocolHeaderSize);
    } else {
      EXPECT_FALSE(good);
      EXPECT_EQ(size, 0xDEADu);
      EXPECT_TRUE(capture.Contains(std::string("Module 2, Port 1, ") + c.message))
          << ::testing::PrintToString(capture.messages());
    }
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);  // closed on every path
}

TEST(ProtocolFile, MissingOrUnnamedFilesDoNotOpen) {
  ProtocolFiles files;
  uint8_t buffer[portcc::kProtocolBufferSize];
  CcCapture capture;
  EXPECT_FALSE(portcc::ReadProtocolFile(0x1F, 3, "/nonexistent/p.pro", SizeRule::kCas, buffer,
                                        sizeof buffer, nullptr));
  EXPECT_TRUE(capture.Contains(
      "Module 1F, Port 3, ERROR : Unable to open protocol file </nonexistent/p.pro>"));
  EXPECT_FALSE(portcc::ReadProtocolFile(2, 0, "", SizeRule::kCas, buffer, sizeof buffer, nullptr));
  EXPECT_FALSE(
      portcc::ReadProtocolFile(2, 0, nullptr, SizeRule::kCas, buffer, sizeof buffer, nullptr));
  EXPECT_TRUE(capture.Contains("Module 2, Port 0, ERROR : Unable to open protocol file <>"));
}

TEST(ProtocolFile, ChecksumCountsBytesAsSignedAndTheHeaderIsLittleEndian) {
  const uint8_t data[] = {0x01, 0xFF};
  EXPECT_EQ(portcc::ProtocolChecksum(data, 2), 0);
  const uint8_t negative[] = {0x80, 0x80, 0x05};  // -128 - 128 + 5
  EXPECT_EQ(portcc::ProtocolChecksum(negative, 3), 0xFF05);

  ProtocolBytes file(5, {0x01, 0xFF});
  file.header.unused = 0xBEEF;
  const std::vector<uint8_t> expected = {0x4D, 0x3C, 0x0C, 0x00, 0xEF, 0xBE, 0x02,
                                         0x00, 0x05, 0x00, 0x00, 0x00, 0x01, 0xFF};
  EXPECT_EQ(file.Bytes(), expected);
  const portcc::ProtocolHeader back = portcc::DecodeProtocolHeader(expected.data());
  EXPECT_EQ(back.unused, 0xBEEF);
  EXPECT_EQ(back.file_type, 5);

  // A file of data 01 FF with checksum 0 passes the analog reader (type 3: any size).
  ProtocolFiles files;
  const std::string path = files.Write("zero", ProtocolBytes(3, {0x01, 0xFF}));
  uint8_t buffer[portcc::kProtocolBufferSize];
  EXPECT_TRUE(portcc::ReadProtocolFile(2, 1, path.c_str(), SizeRule::kAnalog, buffer, sizeof buffer,
                                       nullptr));
}

}  // namespace
}  // namespace vtx::testing
