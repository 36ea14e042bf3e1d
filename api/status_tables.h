// The code tables behind the status texts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx::api {

struct CodeText {
  uint32_t code;
  const char* name;
  const char* description;
};

struct CodeTable {
  const CodeText* rows;
  size_t count;
};

extern const CodeTable kApiErrorTexts;      // status 2: codes 0 to 35
extern const CodeTable kDialTexts;          // status 3
extern const CodeTable kCallProgressTexts;  // status 0: final call-progress results
extern const CodeTable kWaitForCallTexts;   // status 0: wait-for-call results
extern const CodeTable kHangupTexts;        // status 4: codes 0 to 244

// The row of `code`, or null.
const CodeText* FindCode(const CodeTable& table, uint32_t code);

}  // namespace vtx::api
