#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

#include "os/adapters.h"

namespace os {

int QueryAdapters(std::vector<Adapter>& adapters) {
  adapters.clear();
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return -1;
  for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (!entry->ifa_name || !entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
    if (!inet_ntop(AF_INET, &address->sin_addr, text, sizeof text)) continue;
    Adapter* adapter = nullptr;
    for (Adapter& known : adapters) {
      if (known.name == entry->ifa_name) adapter = &known;
    }
    if (!adapter) {
      adapters.push_back(Adapter{entry->ifa_name, {}});
      adapter = &adapters.back();
    }
    adapter->addresses.emplace_back(text);
  }
  freeifaddrs(list);
  return 0;
}

}  // namespace os
