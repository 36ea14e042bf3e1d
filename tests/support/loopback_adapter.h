// The machine's loopback adapter (the one holding 127.0.0.1) by the name the adapter lookup knows
// it by: "lo" on Linux, a generated name on Windows.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "os/adapters.h"

namespace vtx::testing {

inline std::string LoopbackAdapterName() {
  std::vector<os::Adapter> adapters;
  if (os::QueryAdapters(adapters) != 0) return "";
  for (const os::Adapter& adapter : adapters) {
    const auto& addresses = adapter.addresses;
    if (std::find(addresses.begin(), addresses.end(), "127.0.0.1") != addresses.end())
      return adapter.name;
  }
  return "";
}

}  // namespace vtx::testing
