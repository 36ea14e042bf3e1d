// A clean API trace log for each test: everything off and standard output selected before and
// after, and a directory of its own for trace files.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"
#include "trace/api_log.h"
#include "vtx.h"

namespace vtx::testing {

inline int Control(VtxDebugControlArgs& args) {
  return VtxDebugControl(&args);
}

// Everything off, output back to standard output.
inline void ResetTrace() {
  VtxDebugControlArgs args{};
  args.debug_options =
      VTX_DEBUG_SET_FUNCTION | VTX_DEBUG_SET_MODE | VTX_DEBUG_SET_FILES | VTX_DEBUG_SET_FUNC_OPTS;
  VtxDebugControl(&args);
}

class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTrace();
    ASSERT_FALSE(dir_.path().empty());
  }
  void TearDown() override { ResetTrace(); }

  std::string Path(const std::string& leaf) const { return dir_.Path(leaf); }

  // Traces to `first` (and `second` alternately at `limit`) with every level on.
  int TraceToFiles(const char* first, const char* second = nullptr, uint32_t limit = 0) {
    VtxDebugControlArgs args{};
    args.debug_options = VTX_DEBUG_SET_MODE | VTX_DEBUG_SET_FILES;
    args.debug_mode = VTX_TRACE_ALL;
    args.debug_fname1 = first;
    args.debug_fname2 = second;
    args.debug_file_limit = limit;
    last_ = args;
    return Control(last_);
  }

  static std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  TempDir dir_{"trace"};
  VtxDebugControlArgs last_{};
};

}  // namespace vtx::testing
