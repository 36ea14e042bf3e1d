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
  // One line: arguments and options. The options named here and in `help` are the ones the
  // command takes: `-x` or `--name`, followed after one blank by a word in capitals or a list of
  // values (`--speed auto|10|100`) when it takes a value; a name with capitals (`--t38-NAME`)
  // stands for options that `help` names. Anything else starting with "-" is refused before the
  // command runs, getopt-style.
  const char* usage;
  const char* summary;           // one line: what it does
  int (*run)(const Args& args);  // exit status: 0 success, 1 failure, 2 usage
  // `tarrow COMMAND --help`: the options, one a line ("  --json  TEXT"), then "Example:" lines.
  const char* help = "";
};

void Register(const Command& command);

// Before the first use of the board: when no board can be reached, says why once (as JSON with
// --json) and ends the program with status 1; when the board is simulated, says so on standard
// error.
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
// decimal, or hexadecimal with an explicit 0x; a leading 0 is still decimal, never octal). False
// for anything else: empty text, a sign, white space, trailing characters or a value past `max`.
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
