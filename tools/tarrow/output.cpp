#include "tools/tarrow/output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "api/tool_support.h"

namespace tarrow {
namespace {

struct Run {
  std::string command = "tarrow";
  bool json = false;
  bool json_written = false;
  bool failed = false;
  Json error;
};

Run& TheRun() {
  static Run run;
  return run;
}

}  // namespace

void BeginRun(const std::string& command, bool json) {
  TheRun().command = "tarrow " + command;
  TheRun().json = json;
}

bool JsonWanted() {
  return TheRun().json;
}

void Error(const std::string& message, uint32_t status, uint32_t line_status) {
  Run& run = TheRun();
  fprintf(stderr, "%s: %s\n", run.command.c_str(), message.c_str());
  if (run.failed) return;  // the first error is the cause; what follows comes of it
  run.failed = true;
  run.error = Json{{"message", message}, {"status", status}, {"line_status", line_status}};
}

std::string ResultText(const VtxLine* line, uint32_t status, uint32_t line_status) {
  vtx::tool::StatusText text{};
  vtx::tool::FormStatusText(line, status, line_status, &text);
  return text.description;
}

void ResultError(const std::string& what, const VtxLine* line, uint32_t status,
                 uint32_t line_status) {
  Error(what + ": " + ResultText(line, status, line_status), status, line_status);
}

void PrintJson(const Json& object) {
  Json out = {{"simulated", vtx::tool::DriverIsSimulated()}};
  for (const auto& [key, value] : object.items()) out[key] = value;
  const std::string text = out.dump(2) + "\n";
  fwrite(text.data(), 1, text.size(), stdout);
  TheRun().json_written = true;
}

int EndRun(int status) {
  Run& run = TheRun();
  if (status != 0 && run.json && !run.json_written) {
    Json error =
        run.failed ? run.error
                   : Json{{"message", run.command + " failed"}, {"status", 0}, {"line_status", 0}};
    PrintJson(Json{{"error", error}});
  }
  errno = 0;
  if (fflush(stdout) != 0 || ferror(stdout)) {
    const int error = errno != 0 ? errno : EIO;
    fprintf(stderr, "%s: standard output: %s\n", run.command.c_str(), strerror(error));
    return 1;
  }
  return status;
}

}  // namespace tarrow
