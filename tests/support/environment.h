// Setting and removing environment variables in a test, on every platform.
#pragma once

namespace vtx::testing {

void SetVariable(const char* name, const char* value);
void UnsetVariable(const char* name);

}  // namespace vtx::testing
