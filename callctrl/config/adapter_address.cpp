#include "callctrl/config/adapter_address.h"

#include <cstdio>
#include <cstring>

#include "trace/cc_trace.h"

namespace vtx::callctrl {
namespace {

namespace cc = vtx::trace::cc;

void Copy(const std::string& address, char* out, size_t size) {
  if (out && size > 0) std::snprintf(out, size, "%s", address.c_str());
}

}  // namespace

bool IsValidIpAddress(const char* address) {
  int a = 0, b = 0, c = 0, d = 0;
  if (std::sscanf(address, "%d.%d.%d.%d", &a, &b, &c, &d) != 4) return false;
  return std::strcmp(address, "0.0.0.0") != 0 && std::strcmp(address, "127.0.0.1") != 0;
}

int32_t SelectAdapterAddress(const std::vector<os::Adapter>& adapters, const char* name, char* out,
                             size_t size) {
  for (const os::Adapter& adapter : adapters) {
    for (const std::string& address : adapter.addresses) {
      cc::Trace(cc::kInternalTrace, cc::kLevelVerbose,
                "ConvertAdapterNameToIpAddress: adapter=%s, address=%s", adapter.name.c_str(),
                address.c_str());
    }
  }
  if (!name || *name == '\0') {
    for (const os::Adapter& adapter : adapters) {
      for (const std::string& address : adapter.addresses) {
        if (!IsValidIpAddress(address.c_str())) continue;
        Copy(address, out, size);
        return 0;
      }
    }
    return 1;
  }
  int index = 0;
  if (std::sscanf(name, "%*[^:]: %d", &index) != 1) {
    index = 0;
    cc::Trace(cc::kInternalTrace, cc::kLevelVerbose,
              "ConvertAdapterNameToIpAddress: Unable to parse IP interface index, using default %d",
              index);
  }
  for (const os::Adapter& adapter : adapters) {
    if (std::strncmp(name, adapter.name.c_str(), adapter.name.size()) != 0) continue;
    if (index < 0 || static_cast<size_t>(index) >= adapter.addresses.size()) continue;
    Copy(adapter.addresses[static_cast<size_t>(index)], out, size);
    return 0;
  }
  return 1;
}

int32_t ConvertAdapterNameToIpAddress(const char* name, char* out, size_t size) {
  cc::Trace(cc::kInternalTrace, cc::kLevelVerbose,
            "ConvertAdapterNameToIpAddress: searching for adapter=%s", name ? name : "");
  std::vector<os::Adapter> adapters;
  if (os::QueryAdapters(adapters) != 0) return -1;
  return SelectAdapterAddress(adapters, name, out, size);
}

}  // namespace vtx::callctrl
