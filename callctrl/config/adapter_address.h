// The address of a network adapter named in an ethernet section's ip_interface: the adapter's
// name, optionally followed by ": N" choosing its address N (from 0).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "os/adapters.h"

namespace vtx::callctrl {

// 0 found (copied into `out`, cut to size-1 characters), 1 not found, -1 the adapter query
// failed. An empty name takes the first valid address of any adapter.
int32_t ConvertAdapterNameToIpAddress(const char* name, char* out, size_t size);
// The same choice over a given adapter list.
int32_t SelectAdapterAddress(const std::vector<os::Adapter>& adapters, const char* name, char* out,
                             size_t size);
// Four numbers in dotted form, neither "0.0.0.0" nor "127.0.0.1".
bool IsValidIpAddress(const char* address);

}  // namespace vtx::callctrl
