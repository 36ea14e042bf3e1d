#include "api/address_mode.h"

#include <atomic>

namespace vtx {

namespace {
// Every handshake writes the same value; atomic only so that readers on other threads are clean.
std::atomic<bool> full_byte_mode{true};
}  // namespace

void SetFullByteAddressMode(bool full_byte) {
  full_byte_mode.store(full_byte, std::memory_order_relaxed);
}

bool FullByteAddressMode() {
  return full_byte_mode.load(std::memory_order_relaxed);
}

}  // namespace vtx
