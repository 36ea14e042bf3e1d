#include <stdlib.h>

#include "tests/support/environment.h"

namespace vtx::testing {

void SetVariable(const char* name, const char* value) {
  setenv(name, value, 1);
}

void UnsetVariable(const char* name) {
  unsetenv(name);
}

}  // namespace vtx::testing
