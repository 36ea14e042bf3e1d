#include <stdlib.h>

#include "tests/support/environment.h"

namespace vtx::testing {

void SetVariable(const char* name, const char* value) {
  _putenv_s(name, value);
}

// An empty value removes the variable.
void UnsetVariable(const char* name) {
  _putenv_s(name, "");
}

}  // namespace vtx::testing
