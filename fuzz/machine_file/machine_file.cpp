// Arbitrary text as a machine description file: it is loaded or refused, never more.
#include "sim/machine_file.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/fuzz_machine_file_" + std::to_string(getpid()) + ".cfg";
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  fwrite(data, 1, size, file);
  fclose(file);
  sim::Machine machine;
  std::string error;
  sim::LoadMachineFile(path, machine, error);
  return 0;
}
