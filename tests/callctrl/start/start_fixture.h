// The framework started against a fresh simulated machine: a call-control configuration and a
// user preference file naming it in a private folder, the call-control trace in a file there,
// and every module stopped again after the test.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "callctrl/callctrl_init.h"
#include "tests/support/simulated_board.h"
#include "tests/support/temp_dir.h"
#include "trace/cc_file.h"
#include "trace/cc_trace.h"

namespace vtx::callctrl::testing {

// Root keys that trace everything into the file the request names.
constexpr char kVerboseTrace[] =
    "api_trace = verbose\ninternal_trace = verbose\nl3l4_trace = none\nl4l3_trace = none\n";

class StartTest : public vtx::testing::SimulatedBoardTest {
 protected:
  void TearDown() override {
    CallCtrlShutdown();
    trace::cc::SetTraceFile(nullptr);
    trace::cc::SetMaxFiles(1);
    for (int category = 0; category < trace::cc::kCategoryCount; ++category) {
      trace::cc::SetCategory(category, 0, 0);
    }
    SimulatedBoardTest::TearDown();
  }

  std::string Write(const std::string& leaf, const std::string& text) {
    const std::string path = dir_.Path(leaf);
    std::ofstream(path) << text;
    return path;
  }
  // A user preference file naming the call-control configuration `text`.
  void Configure(const std::string& text) {
    preferences_ =
        Write("cvcall.cfg", "call_control = " + Write("callctrl.cfg", kVerboseTrace + text) + "\n");
  }
  int Init() {
    request_ = CallCtrlInitRequest{};
    request_.userPreferenceFile = preferences_.c_str();
    request_.traceFileGiven = 1;
    request_.traceFileName = trace_.c_str();
    return CallCtrlInit(nullptr, &request_);
  }
  std::string Trace() const {
    std::ifstream in(trace_);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool Traced(const std::string& text) const { return Trace().find(text) != std::string::npos; }

  vtx::testing::TempDir dir_{"callctrl_start"};
  std::string preferences_;
  std::string trace_ = dir_.Path("trace.log");
  CallCtrlInitRequest request_{};
};

}  // namespace vtx::callctrl::testing
