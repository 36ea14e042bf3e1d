// Test helpers shared by every suite.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vtx::testing {

// Collects the API trace log's lines while alive, with the given level mask and function-debug
// options; restores standard output and the previous settings on destruction.
class TraceCapture {
 public:
  explicit TraceCapture(uint32_t mask = 0xFFFFFFFF, uint32_t function_options = 0);
  ~TraceCapture();
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  const std::vector<std::string>& lines() const;
  // The lines without their timestamp and line prefix.
  std::vector<std::string> messages() const;
  // The messages that start with `start`.
  std::vector<std::string> messages(const std::string& start) const;
  bool Contains(const std::string& text) const;
  void Clear();

 private:
  uint32_t saved_mask_;
  uint32_t saved_options_;
};

}  // namespace vtx::testing
