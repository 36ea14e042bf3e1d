#include "portcc/protocol_file.h"

#include <cstdio>

#include "os/file.h"
#include "trace/cc_trace.h"

namespace vtx::portcc {
namespace {

namespace cc = trace::cc;

uint16_t U16At(const uint8_t* bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

void PutU16(uint8_t* bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

// The checks that need only the header, in the order the reader makes them.
ProtocolFault CheckHeader(const ProtocolHeader& header, SizeRule rule, uint32_t capacity) {
  if (header.signature != kProtocolSignature) return ProtocolFault::kSignature;
  if (header.header_size != kProtocolHeaderSize) return ProtocolFault::kHeaderSize;
  if (RequiresStructSize(rule, header.file_type) && header.data_size != kProtocolStructSize) {
    return ProtocolFault::kSizeRule;
  }
  if (header.data_size > capacity) return ProtocolFault::kTooLarge;
  return ProtocolFault::kNone;
}

ProtocolCheck CheckOpenFile(FILE* file, SizeRule rule, uint8_t* buffer, uint32_t capacity) {
  ProtocolCheck check;
  uint8_t header[kProtocolHeaderSize];
  if (fread(header, 1, sizeof header, file) != sizeof header) {
    check.fault = ProtocolFault::kShortHeader;
    return check;
  }
  check.header_read = true;
  check.header = DecodeProtocolHeader(header);
  check.fault = CheckHeader(check.header, rule, capacity);
  if (check.fault != ProtocolFault::kNone) return check;
  const uint16_t size = check.header.data_size;
  if (size > 0 && fread(buffer, 1, size, file) != size) {
    check.fault = ProtocolFault::kShortData;
  } else if (ProtocolChecksum(buffer, size) != check.header.checksum) {
    check.fault = ProtocolFault::kChecksum;
  }
  return check;
}

}  // namespace

ProtocolHeader DecodeProtocolHeader(const uint8_t* bytes) {
  ProtocolHeader header;
  header.signature = U16At(bytes, 0);
  header.header_size = U16At(bytes, 2);
  header.unused = U16At(bytes, 4);
  header.data_size = U16At(bytes, 6);
  header.file_type = U16At(bytes, 8);
  header.checksum = U16At(bytes, 10);
  return header;
}

void EncodeProtocolHeader(const ProtocolHeader& header, uint8_t* bytes) {
  PutU16(bytes, 0, header.signature);
  PutU16(bytes, 2, header.header_size);
  PutU16(bytes, 4, header.unused);
  PutU16(bytes, 6, header.data_size);
  PutU16(bytes, 8, header.file_type);
  PutU16(bytes, 10, header.checksum);
}

uint16_t ProtocolChecksum(const uint8_t* data, size_t size) {
  uint16_t sum = 0;
  for (size_t i = 0; i < size; ++i) sum = static_cast<uint16_t>(sum + static_cast<int8_t>(data[i]));
  return sum;
}

bool RequiresStructSize(SizeRule rule, uint16_t file_type) {
  if (rule == SizeRule::kCas) return file_type == 5;
  return file_type == 0 || file_type == 5 || file_type == 7;
}

ProtocolCheck CheckProtocolFile(const char* name, SizeRule rule, uint8_t* buffer,
                                uint32_t capacity) {
  if (name == nullptr || name[0] == '\0') return ProtocolCheck{};
  ProtocolCheck refused;
  FILE* file = os::OpenRegularFile(name, true, kProtocolFileLimit, refused.open_error);
  if (file == nullptr) return refused;
  ProtocolCheck check = CheckOpenFile(file, rule, buffer, capacity);
  os::FileClose(file);
  return check;
}

std::string ProtocolFaultText(const ProtocolCheck& check, const char* name, uint32_t capacity) {
  char text[600];
  const ProtocolHeader& h = check.header;
  switch (check.fault) {
    case ProtocolFault::kNone:
      return "";
    case ProtocolFault::kOpen:
      snprintf(text, sizeof text, "ERROR : Unable to open protocol file <%s>",
               name != nullptr ? name : "");
      return check.open_error.empty() ? text : std::string(text) + " (" + check.open_error + ")";
    case ProtocolFault::kShortHeader:
      return "ERROR : Cannot read protocol header";
    case ProtocolFault::kSignature:
      snprintf(text, sizeof text, "ERROR : Incorrect protocol header signature (read(%x) != %x)",
               h.signature, kProtocolSignature);
      return text;
    case ProtocolFault::kHeaderSize:
      return "ERROR : Incorrect protocol header size";
    case ProtocolFault::kSizeRule:
      snprintf(text, sizeof text, "ERROR : Protocol size %d doesn't match data structure size %d",
               h.data_size, kProtocolStructSize);
      return text;
    case ProtocolFault::kTooLarge:
      snprintf(text, sizeof text, "ERROR : Protocol size %d exceeds the buffer size %u",
               h.data_size, capacity);
      return text;
    case ProtocolFault::kShortData:
      return "ERROR : Cannot read protocol data";
    case ProtocolFault::kChecksum:
      return "ERROR : Invalid checksum";
  }
  return "";
}

bool ReadProtocolFile(uint32_t module, uint32_t port, const char* name, SizeRule rule,
                      uint8_t* buffer, uint32_t capacity, uint32_t* data_size) {
  cc::Trace(cc::kInternalTrace, cc::kLevelBasic, "Module %X, Port %d, protocol file %s", module,
            static_cast<int>(port), name != nullptr ? name : "");
  const ProtocolCheck check = CheckProtocolFile(name, rule, buffer, capacity);
  if (check.fault != ProtocolFault::kNone) {
    cc::Trace(cc::kInternalTrace, cc::kLevelError, "Module %X, Port %d, %s", module,
              static_cast<int>(port), ProtocolFaultText(check, name, capacity).c_str());
    return false;
  }
  if (data_size != nullptr) *data_size = check.header.data_size;
  return true;
}

}  // namespace vtx::portcc
