// Several lines driven from one thread through one notification line: each line writes a
// variable and reads it back, `rounds` times, asynchronously; whenever an operation stops with
// status 9 the driver waits for the next notice and continues the line it names.
#pragma once

#include <cstdint>
#include <vector>

#include "admin.h"
#include "vtx.h"

namespace vtx::testing {

class AsyncLines {
 public:
  static constexpr uint32_t kVariable = 0x20;

  AsyncLines(VtxLine* notify_line, const std::vector<VtxLine*>& lines, uint32_t rounds)
      : notify_(notify_line), rounds_(rounds) {
    // Each line its own variable: lines may share a channel, whose variables they share.
    for (VtxLine* line : lines) {
      driven_.push_back({line});
      driven_.back().variable = kVariable + static_cast<uint32_t>(driven_.size() - 1);
    }
  }

  // Runs every line to the end; false on the first failure, `failure` telling what it was.
  bool Run() {
    for (Driven& d : driven_) {
      if (!Start(d)) return false;
    }
    while (finished_ < driven_.size()) {
      MillArgs wait{};
      wait.timeout = 5000;
      VtxLine* line = MillWaitNotify(notify_, &wait);
      if (line == nullptr) return Failed(wait.status, wait.line_status);
      Driven* d = Find(line);
      if (d == nullptr || !Continue(*d)) return false;
    }
    return true;
  }
  uint32_t operations() const { return operations_; }
  uint32_t notices() const { return notices_; }
  uint32_t failure_status = 0, failure_line_status = 0;

 private:
  struct Driven {
    VtxLine* line;
    uint32_t variable = kVariable;
    MillArgs args{};
    uint32_t round = 0;
    bool reading = false;
  };

  Driven* Find(VtxLine* line) {
    for (Driven& d : driven_) {
      if (d.line == line) return &d;
    }
    return nullptr;
  }
  bool Failed(uint32_t status, uint32_t line_status) {
    failure_status = status;
    failure_line_status = line_status;
    return false;
  }
  // Issues the current operation of `d` with `async_lp`; runs on while operations finish at once.
  bool Issue(Driven& d, uint32_t async_lp) {
    for (;;) {
      d.args.async_lp = async_lp;
      if (d.reading) {
        VtxGetVar(d.line, &d.args);
      } else {
        VtxSetSingleVar(d.line, &d.args);
      }
      if (d.args.status == CV_STATUS_CONTINUING) return true;
      if (d.args.status != CV_STATUS_OK) return Failed(d.args.status, d.args.line_status);
      ++operations_;
      if (d.reading && d.args.var_value != d.round) return Failed(CV_STATUS_ERROR, d.round);
      if (d.reading && ++d.round == rounds_) {
        ++finished_;
        return true;
      }
      d.reading = !d.reading;
      Prepare(d);
      async_lp = VtxLineAsyncHandle(notify_);
    }
  }
  void Prepare(Driven& d) {
    d.args = MillArgs{};
    d.args.facility = MILL_FACILITY_ADMIN;
    d.args.tag_id = d.variable;
    d.args.tag_type = MILL_TYPE_LONG;
    d.args.var_value = d.round;
    d.args.timeout = 5000;
  }
  bool Start(Driven& d) {
    Prepare(d);
    return Issue(d, VtxLineAsyncHandle(notify_));
  }
  bool Continue(Driven& d) {
    ++notices_;
    return Issue(d, 0xFFFFFFFF);
  }

  VtxLine* notify_;
  uint32_t rounds_;
  std::vector<Driven> driven_;
  size_t finished_ = 0;
  uint32_t operations_ = 0;
  uint32_t notices_ = 0;
};

}  // namespace vtx::testing
