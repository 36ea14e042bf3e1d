// Whether a stream shows on a terminal, for tools that draw progress only for people.
#pragma once

#include <cstdio>

namespace os {

bool IsTerminal(FILE* stream);

}  // namespace os
