// tarrow: what the library knows of this machine's boards, for administrators and scripts.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "api/tool_support.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/preferences.h"

namespace tarrow {
namespace {

std::map<std::string, Command>& Commands() {
  static std::map<std::string, Command> commands;
  return commands;
}

void Usage(FILE* out) {
  fprintf(out, "usage: tarrow COMMAND [ARGS]\n\ncommands:\n");
  for (const auto& [name, command] : Commands()) {
    fprintf(out, "  %-14s %s\n", name.c_str(), command.usage);
    fprintf(out, "  %-14s   %s\n", "", command.summary);
  }
  fprintf(
      out,
      "\nTARROW_DRIVER selects the board: device, sim, sim:SOCKET (default: the first found).\n");
}

// The library's error messages reach the person at the terminal; TARROW_TRACE=MASK shows more of
// the API trace log.
int TraceToStderr(const char* line) {
  if (RepeatsStartupNote(line)) return 0;
  fprintf(stderr, "%s\n", line);
  return 0;
}

void RouteTrace() {
  const char* mask = getenv("TARROW_TRACE");
  vtx::tool::InstallFunction(&TraceToStderr);
  vtx::tool::ExchangeMask(mask ? static_cast<uint32_t>(strtoul(mask, nullptr, 0))
                               : vtx::tool::kLevelError);
}

}  // namespace

void Register(const Command& command) {
  Commands()[command.name] = command;
}

void NoteSimulatedBoard() {
  static bool noted = false;
  if (noted) return;
  noted = true;
  std::string what = vtx::tool::DriverDescription();
  if (vtx::tool::DriverIsSimulated())
    fprintf(stderr, "tarrow: simulated board (%s)\n", what.c_str());
}

bool TakeFlag(Args& args, const std::string& flag) {
  for (auto it = args.begin(); it != args.end(); ++it) {
    if (*it == flag) {
      args.erase(it);
      return true;
    }
  }
  return false;
}

bool NamedFileReadable(const char* command, const char* option, const std::string& path,
                       uint64_t limit) {
  std::string error;
  FILE* file = vtx::tool::OpenRegularFile(path.c_str(), false, limit, error);
  if (file) {
    fclose(file);
    return true;
  }
  fprintf(stderr, "tarrow %s: %s %s\n", command, option, error.c_str());
  return false;
}

std::string TakeOption(Args& args, const std::string& option, const std::string& fallback) {
  for (auto it = args.begin(); it != args.end(); ++it) {
    if (*it == option && it + 1 != args.end()) {
      std::string value = *(it + 1);
      args.erase(it, it + 2);
      return value;
    }
    if (it->rfind(option + "=", 0) == 0) {
      std::string value = it->substr(option.size() + 1);
      args.erase(it);
      return value;
    }
  }
  return fallback;
}

bool ReadNumber(const std::string& text, int base, unsigned long max, unsigned long& out) {
  if (text.empty() || !isxdigit(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long value = strtoul(text.c_str(), &end, base);
  if (*end != '\0' || errno != 0 || value > max) return false;
  out = value;
  return true;
}

bool ParseModuleNumber(const std::string& text, unsigned& out) {
  unsigned long value = 0;
  if (!ReadNumber(text, 0, 255, value)) {
    fprintf(stderr, "tarrow: expected a module number from 0 to 255, got \"%s\"\n", text.c_str());
    return false;
  }
  out = static_cast<unsigned>(value);
  return true;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (c < 0x20) {
          char escaped[8];
          snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

}  // namespace tarrow

int main(int argc, char** argv) {
  using namespace tarrow;
  if (argc < 2 || strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "help") == 0) {
    Usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  auto found = Commands().find(argv[1]);
  if (found == Commands().end()) {
    fprintf(stderr, "tarrow: unknown command \"%s\"\n\n", argv[1]);
    Usage(stderr);
    return 2;
  }
  RouteTrace();
  CV_API_SET_VER();
  Args args(argv + 2, argv + argc);
  return found->second.run(args);
}
