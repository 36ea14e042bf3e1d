// Protocol and coefficient files: the line-signalling protocol of analog and CAS ports, and the
// line coefficients of analog ports, as small binary files named in the call-control
// configuration. A 12-byte little-endian header (signature "M<", header size, an unused word,
// data size, file type, checksum) is followed by the data; the checksum is the sum of the data
// bytes taken as signed 8-bit values, modulo 65536.
//
// The check is separate from its trace so that `tarrow protocol check` shows the same verdict
// the ports reach at start-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vtx::portcc {

constexpr uint16_t kProtocolSignature = 15437;  // 0x3C4D: the bytes "M" and "<"
constexpr uint16_t kProtocolHeaderSize = 12;
constexpr uint32_t kProtocolStructSize = 164;  // the protocol data structure
// The buffer every port reads its files into: larger data is refused before it is read.
constexpr uint32_t kProtocolBufferSize = 1024;

// Which file types must carry exactly the protocol data structure: analog ports demand it of
// types 0, 5 and 7, CAS ports of type 5.
enum class SizeRule { kAnalog, kCas };

struct ProtocolHeader {
  uint16_t signature = 0;
  uint16_t header_size = 0;
  uint16_t unused = 0;
  uint16_t data_size = 0;
  uint16_t file_type = 0;
  uint16_t checksum = 0;
};

enum class ProtocolFault {
  kNone,
  kOpen,         // no name, or the file does not open
  kShortHeader,  // fewer than 12 bytes
  kSignature,
  kHeaderSize,
  kSizeRule,   // a protocol structure type whose data size is not 164
  kTooLarge,   // more data than the buffer holds
  kShortData,  // the file ends before the data size
  kChecksum,
};

struct ProtocolCheck {
  ProtocolFault fault = ProtocolFault::kOpen;
  bool header_read = false;
  ProtocolHeader header;
  std::string open_error;  // kOpen: why, naming the file (empty when no name was given)
};

// The largest protocol or coefficient file: its header and the most data its 16-bit size names.
constexpr uint64_t kProtocolFileLimit = 12 + 0xFFFF;

// The header of the 12 bytes at `bytes`, and the 12 bytes of a header.
ProtocolHeader DecodeProtocolHeader(const uint8_t* bytes);
void EncodeProtocolHeader(const ProtocolHeader& header, uint8_t* bytes);
uint16_t ProtocolChecksum(const uint8_t* data, size_t size);
// True when `rule` requires the protocol structure's size of files of `file_type`.
bool RequiresStructSize(SizeRule rule, uint16_t file_type);

// Reads file `name` (null or empty opens nothing) into `buffer` of `capacity` bytes and checks
// it; the file is closed before returning.
ProtocolCheck CheckProtocolFile(const char* name, SizeRule rule, uint8_t* buffer,
                                uint32_t capacity);
// The message of a failed check as the ports trace it after their "Module %X, Port %d, "
// prefix, for example "ERROR : Invalid checksum".
std::string ProtocolFaultText(const ProtocolCheck& check, const char* name, uint32_t capacity);

// The ports' reader: checks the file and traces what it reads and why it fails (call-control
// trace, internal category, each message led by the module and port number). `data_size` (may be
// null) receives the data size of a good file.
bool ReadProtocolFile(uint32_t module, uint32_t port, const char* name, SizeRule rule,
                      uint8_t* buffer, uint32_t capacity, uint32_t* data_size);

}  // namespace vtx::portcc
