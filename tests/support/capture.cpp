#include "tests/support/capture.h"

#include <mutex>

#include "trace/api_log.h"

namespace vtx::testing {
namespace {

std::mutex g_lock;
std::vector<std::string> g_lines;

int Collect(const char* line) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_lines.emplace_back(line);
  return 0;
}

}  // namespace

TraceCapture::TraceCapture(uint32_t mask, uint32_t function_options)
    : saved_mask_(trace::ExchangeMask(mask)), saved_options_(trace::FunctionOptions()) {
  trace::SetFunctionOptions(function_options);
  Clear();
  trace::InstallFunction(&Collect);
}

TraceCapture::~TraceCapture() {
  trace::InstallFunction(nullptr);
  trace::ExchangeMask(saved_mask_);
  trace::SetFunctionOptions(saved_options_);
}

const std::vector<std::string>& TraceCapture::lines() const {
  return g_lines;
}

std::vector<std::string> TraceCapture::messages() const {
  std::lock_guard<std::mutex> hold(g_lock);
  std::vector<std::string> out;
  for (const std::string& line : g_lines) {
    // The prefix ends with "] " after the timestamp and the "[x,y]" address.
    size_t end = line.find("] ");
    out.push_back(end == std::string::npos ? line : line.substr(end + 2));
  }
  return out;
}

std::vector<std::string> TraceCapture::messages(const std::string& start) const {
  std::vector<std::string> found;
  for (const std::string& message : messages()) {
    if (message.rfind(start, 0) == 0) found.push_back(message);
  }
  return found;
}

bool TraceCapture::Contains(const std::string& text) const {
  for (const std::string& message : messages()) {
    if (message.find(text) != std::string::npos) return true;
  }
  return false;
}

void TraceCapture::Clear() {
  std::lock_guard<std::mutex> hold(g_lock);
  g_lines.clear();
}

}  // namespace vtx::testing
