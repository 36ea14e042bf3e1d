// The checker of a user preference file: every line that the line configuration would refuse or
// quietly cut short, with its line number, the keyword and why, and the country parameter file
// that the preferences name.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vtx {

struct PrefsProblem {
  int line;    // 0: about the file as a whole
  bool error;  // the reader refuses the line (else: it reads less than is written)
  std::string text;
};

struct PrefsCheck {
  std::vector<PrefsProblem> problems;
  std::string cv_cparm = "CV_CPARM.CFG";  // the country parameter file the lines name
  int cv_cparm_line = 0;                  // 0: the default
  uint32_t country_code = 0x10;
  std::string
      preference_file;  // the file checked: a relative cv_cparm is also looked for beside it
};

// Reads the file as the line configuration does (pieces of at most 299 characters).
PrefsCheck CheckPreferenceLines(FILE* file);
// Opens the file and checks its lines: false, with the message naming the file in `error`, when
// it does not open (not a regular file, too large, or the system's reason).
bool CheckPreferenceFile(const char* path, PrefsCheck* check, std::string* error);
// Adds the problems of the country parameter file named by `check`, found where the line
// configuration finds it: missing (with the places looked in), unreadable, incompatible,
// truncated, or without the record of the country code.
void CheckCountryFile(PrefsCheck* check);

}  // namespace vtx
