#include "lineconfig/user_config.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "api/line.h"
#include "api/reset_status.h"
#include "api/settings.h"
#include "lineconfig/file_limits.h"
#include "lineconfig/line_config.h"
#include "os/config_files.h"
#include "os/file.h"
#include "trace/api_log.h"

namespace vtx {
namespace {

// Lines longer than the buffer arrive in pieces, each handled as a line of its own.
constexpr size_t kLineBufferSize = 300;

// Feeds every line of the file to VtxLineConfig; the result of the last call.
int FeedFile(VtxLine* line, VtxLineArgs* args, FILE* file) {
  char buffer[kLineBufferSize];
  int result = 0;
  while (result == 0 && std::fgets(buffer, sizeof buffer, file) != nullptr) {
    size_t length = std::strlen(buffer);
    if (length > 0 && buffer[length - 1] == '\n') buffer[length - 1] = '\0';
    args->config_file_line = buffer;
    result = LineConfigWorker(line, args);
  }
  args->config_file_line = nullptr;
  return result;
}

}  // namespace

int ReadUserConfiguration(VtxLine* line, VtxLineArgs* args) {
  if (RefuseAsync(line, args, "unknown")) return -1;
  const char* name = args->config_file_name;
  if (name == nullptr && args->use_config_lines != 0) return 0;

  int result = 0;
  if (name != nullptr) {
    // A relative name that the current folder does not hold is taken from the folder of the
    // installed configuration files (/etc/corvane), so that an installed system resets its lines
    // the same from every folder.
    const std::string path = os::FindConfigFile(name, nullptr);
    std::string error;
    FILE* file = os::OpenRegularFile(path.c_str(), false, kUserConfigLimit, error);
    if (file == nullptr) {
      // Not found only when it is missing; a file that may not be read, or is no file, says so.
      if (errno == ENOENT) {
        trace::Message(line, trace::kLevelWarning, kUserConfigMissing, name);
      } else {
        trace::Message(line, trace::kLevelWarning, "Warning: User configuration file %s",
                       error.c_str());
      }
      line->reset_status |= kResetNoUserConfig;
    } else {
      trace::Message(line, trace::kLevelInfo, "Reading user configuration file \"%s\"",
                     path.c_str());
      result = FeedFile(line, args, file);
      os::FileClose(file);
    }
  }
  if (result != 0) return result;
  if (args->use_config_lines != 0) return 0;
  if (name == nullptr) {
    trace::Message(line, trace::kLevelInfo, "No config information specified. Using defaults.");
  }
  return LineConfigWorker(line, args);
}

}  // namespace vtx
