// The subcommands of `tarrow`. Each lives in its own file and registers itself with
// TARROW_COMMAND, so that adding one touches nothing else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarrow {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;             // one line: arguments and options
  const char* summary;           // one line: what it does
  int (*run)(const Args& args);  // exit status
};

void Register(const Command& command);

// Says on standard error when the library talks to a simulated board, once per run.
void NoteSimulatedBoard();

// True when `args` holds `flag` (and removes it).
bool TakeFlag(Args& args, const std::string& flag);
// The value after `option` (removed with it), or `fallback`.
std::string TakeOption(Args& args, const std::string& option, const std::string& fallback);
// True when the file that `option` of `command` names is a regular file of at most `limit`
// bytes that can be read; otherwise says so on standard error ("tarrow reset: --config FILE: No
// such file or directory") and is false. A file named on the command line that is missing is an
// error, never a fallback to defaults.
bool NamedFileReadable(const char* command, const char* option, const std::string& path,
                       uint64_t limit);
// The one number reader of the tool: a whole number from 0 to `max` in `text`, in `base` (0:
// decimal, 0x-hexadecimal or 0-octal). False for anything else: empty text, a sign, white space,
// trailing characters or a value past `max`.
bool ReadNumber(const std::string& text, int base, unsigned long max, unsigned long& out);
// Parses a module number, decimal or 0x-hexadecimal, 0 to 255; false with a message otherwise.
bool ParseModuleNumber(const std::string& text, unsigned& out);

// JSON text of a string, quoted and escaped.
std::string JsonString(const std::string& text);

}  // namespace tarrow

#define TARROW_CONCAT2(a, b) a##b
#define TARROW_CONCAT(a, b) TARROW_CONCAT2(a, b)
#define TARROW_COMMAND(...)                                     \
  static const bool TARROW_CONCAT(registered_, __LINE__) = [] { \
    ::tarrow::Register(::tarrow::Command{__VA_ARGS__});         \
    return true;                                                \
  }()
