// Network adapters: each adapter of the machine by name, with its IPv4 addresses in dotted form,
// in the order the system lists them.
#pragma once

#include <string>
#include <vector>

namespace os {

struct Adapter {
  std::string name;
  std::vector<std::string> addresses;
};

// Fills `adapters`: 0, or -1 when the system could not list them (errno holds why).
int QueryAdapters(std::vector<Adapter>& adapters);

}  // namespace os
