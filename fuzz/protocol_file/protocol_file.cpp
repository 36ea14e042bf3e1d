// Arbitrary bytes as a protocol or coefficient file, read by both ports' rules. The file is
// written where the reader opens it: in memory-backed /dev/shm when there is one, as rewriting a
// disk file every run is slow.
#include "portcc/protocol_file.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  "/fuzz_protocol_" + std::to_string(getpid()) + ".pro";
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  fwrite(data, 1, size, file);
  fclose(file);

  uint8_t buffer[vtx::portcc::kProtocolBufferSize];
  for (auto rule : {vtx::portcc::SizeRule::kAnalog, vtx::portcc::SizeRule::kCas}) {
    const auto check = vtx::portcc::CheckProtocolFile(path.c_str(), rule, buffer, sizeof buffer);
    (void)vtx::portcc::ProtocolFaultText(check, path.c_str(), sizeof buffer);
  }
  unlink(path.c_str());
  return 0;
}
