// The round trip the simulator benchmarks measure: on a line attached to one channel, a SET of a
// Long variable, a GET of it and the wait for its GET_RSP.
#pragma once

#include <cstdint>

#include "admin.h"
#include "common.h"
#include "vtx.h"

namespace bench {

// A line attached to channel `unit` and the SET+GET round trip on it.
class Trips {
 public:
  static constexpr uint32_t kVariable = 0x20;

  explicit Trips(int32_t unit) {
    VtxLineArgs attach{};
    attach.unit = unit;
    line_ = VtxLineAttach(&attach);
  }
  ~Trips() {
    VtxLineArgs detach{};
    if (line_ != nullptr) VtxLineDetach(line_, &detach);
  }
  bool attached() const { return line_ != nullptr; }

  bool One() {
    static const MillTagItem kSet[] = {{kVariable, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(0x1234)},
                                       {0, 0, 0, nullptr}};
    static const MillTagItem kGet[] = {{kVariable, 0, 0, MILL_TAG_VALUE(0)}, {0, 0, 0, nullptr}};
    MillArgs set{};
    set.facility = MILL_FACILITY_ADMIN;
    set.verb = MILL_VERB_SET;
    set.timeout = 1000;
    MillArgs get = set;
    get.verb = MILL_VERB_GET;
    if (MillFormSendCmd(line_, &set, kSet) != 1 || MillFormSendCmd(line_, &get, kGet) != 1) {
      return false;
    }
    MillArgs wait{};
    wait.facility = MILL_FACILITY_ADMIN;
    wait.verb = MILL_VERB_EVENT;
    wait.code = COMMON_GET_RSP_EVENT;
    wait.timeout = 1000;
    return MillWaitCmd(line_, &wait) == 1;
  }

 private:
  VtxLine* line_ = nullptr;
};

}  // namespace bench
