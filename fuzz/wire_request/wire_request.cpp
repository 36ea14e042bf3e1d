// Arbitrary bytes as a marshalled driver request, served by the default machine: what the daemon
// does with whatever a client sends.
#include <cstddef>
#include <cstdint>

#include "sim/machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto machine = sim::Machine::Default();
  int error = 0;
  int connection = machine->Open("/dev/tarrow", error);
  sim::wire::Bytes response;
  machine->Serve(connection, data, size, response);
  machine->Close(connection);
  return 0;
}
