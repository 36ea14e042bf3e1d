// Shared by the port call-control tests: the call-control trace copied into a capture, and
// protocol files written to a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "portcc/protocol_file.h"
#include "tests/support/capture.h"
#include "tests/support/temp_dir.h"
#include "trace/cc_trace.h"

namespace vtx::testing {

// Captures the internal call-control category at every level while alive.
class CcCapture : public TraceCapture {
 public:
  CcCapture() : saved_(trace::cc::GetCategory(trace::cc::kInternalTrace)) {
    trace::cc::SetCategory(trace::cc::kInternalTrace, trace::cc::kLevelVerbose,
                           trace::cc::kToApiLog);
  }
  ~CcCapture() { trace::cc::SetCategory(trace::cc::kInternalTrace, saved_.level, saved_.flags); }

 private:
  trace::cc::CategorySetting saved_;
};

// A protocol file's bytes: a good header for `data` unless the caller changes it.
struct ProtocolBytes {
  portcc::ProtocolHeader header;
  std::vector<uint8_t> data;

  ProtocolBytes(uint16_t file_type, std::vector<uint8_t> bytes) : data(std::move(bytes)) {
    header.signature = portcc::kProtocolSignature;
    header.header_size = portcc::kProtocolHeaderSize;
    header.data_size = static_cast<uint16_t>(data.size());
    header.file_type = file_type;
    header.checksum = portcc::ProtocolChecksum(data.data(), data.size());
  }
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> bytes(portcc::kProtocolHeaderSize);
    portcc::EncodeProtocolHeader(header, bytes.data());
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
  }
};

class ProtocolFiles {
 public:
  std::string Write(const std::string& leaf, const std::vector<uint8_t>& bytes) {
    return dir_.Write(leaf, bytes);
  }
  std::string Write(const std::string& leaf, const ProtocolBytes& file) {
    return dir_.Write(leaf, file.Bytes());
  }

 private:
  TempDir dir_{"portcc"};
};

}  // namespace vtx::testing
