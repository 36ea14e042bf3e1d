// The adapters as GetAdaptersAddresses lists them, by their adapter names.
#include <winsock2.h>
// clang-format off
#include <iphlpapi.h>
#include <ws2tcpip.h>
// clang-format on

#include <cerrno>
#include <vector>

#include "os/adapters.h"

namespace os {

int QueryAdapters(std::vector<Adapter>& adapters) {
  adapters.clear();
  constexpr ULONG kFlags =
      GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buffer;
  ULONG rc = ERROR_BUFFER_OVERFLOW;
  // The list may grow between the calls: a few tries with the size the system asked for.
  for (int attempt = 0; attempt < 4 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buffer.resize(size);
    rc = GetAdaptersAddresses(AF_INET, kFlags, nullptr,
                              reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
  }
  if (rc == ERROR_NO_DATA) return 0;
  if (rc != NO_ERROR) {
    errno = rc == ERROR_NOT_ENOUGH_MEMORY ? ENOMEM : EIO;
    return -1;
  }
  for (auto* entry = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); entry;
       entry = entry->Next) {
    Adapter adapter{entry->AdapterName ? entry->AdapterName : "", {}};
    for (auto* unicast = entry->FirstUnicastAddress; unicast; unicast = unicast->Next) {
      const SOCKADDR* address = unicast->Address.lpSockaddr;
      if (!address || address->sa_family != AF_INET) continue;
      char text[INET_ADDRSTRLEN] = {};
      const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(address);
      if (inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text))
        adapter.addresses.emplace_back(text);
    }
    if (!adapter.addresses.empty()) adapters.push_back(std::move(adapter));
  }
  return 0;
}

}  // namespace os
