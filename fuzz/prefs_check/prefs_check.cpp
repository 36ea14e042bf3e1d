// Arbitrary text through the preference file checker, read from memory as the checker reads a
// file (pieces of at most 299 characters).
#include "lineconfig/prefs_check.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (!file) return 0;
  vtx::PrefsCheck check = vtx::CheckPreferenceLines(file);
  std::fclose(file);
  for (const vtx::PrefsProblem& problem : check.problems) {
    if (problem.line <= 0 || problem.text.empty()) __builtin_trap();
  }
  return 0;
}
