// tarrow decode: packets given as hexadecimal bytes, decoded into the text of the trace's packet
// lines. One packet per line, or the byte lines that the trace log writes after a packet it
// could not parse (each "MM/DD hh:mm:ss.cc [x,y] 0B 00 ..." line continues the packet).
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "api/tool_support.h"
#include "tools/tarrow/command.h"
#include "vtx.h"

namespace tarrow {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kTextSize = 64 * 1024;
// The largest trace log decoded: a long day's packet trace.
constexpr uint64_t kDecodeLimit = 256ull << 20;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// Bytes written as pairs of hexadecimal digits, blanks allowed between pairs.
bool ParseHex(const std::string& text, Bytes& out) {
  out.clear();
  for (size_t i = 0; i < text.size();) {
    if (isspace(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    const int high = HexDigit(text[i]);
    const int low = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
    if (high < 0 || low < 0) return false;
    out.push_back(static_cast<uint8_t>(high << 4 | low));
    i += 2;
  }
  return !out.empty();
}

// The message of a trace log line ("MM/DD hh:mm:ss.cc " then the line prefix up to "] "), or
// false when the line is not one.
bool TraceMessage(const std::string& line, std::string& message) {
  static const char kShape[] = "00/00 00:00:00.00 ";
  for (size_t i = 0; i + 1 < sizeof kShape; ++i) {
    if (i >= line.size()) return false;
    const bool digit = isdigit(static_cast<unsigned char>(line[i])) != 0;
    if (kShape[i] == '0' ? !digit : line[i] != kShape[i]) return false;
  }
  const size_t prefix_end = line.find("] ", sizeof kShape - 1);
  if (prefix_end == std::string::npos) return false;
  message = line.substr(prefix_end + 2);
  return true;
}

class Printer {
 public:
  explicit Printer(long facility) : facility_(facility), text_(kTextSize) {}

  void Print(const Bytes& bytes) {
    if (printed_++ > 0) putchar('\n');
    if (facility_ >= 0) {
      Command(static_cast<uint32_t>(facility_), bytes.data(), bytes.size());
      return;
    }
    MillArgs args{};
    Bytes packet = bytes;
    args.pkt_buf = packet.data();
    args.pkt_len = static_cast<uint32_t>(packet.size());
    args.outgoing = 1;
    int more;
    while ((more = MillGetCmd(&args)) == 1) {
      if (!Command(args.facility, args.cmd_buf, args.cmd_len)) return;
    }
    if (more != 0) puts("TRUNC");
  }

 private:
  bool Command(uint32_t facility, const uint8_t* command, size_t length) {
    bool truncated = false;
    vtx::tool::DecodeCommand(text_.data(), text_.size(), facility, command, length,
                             vtx::tool::kDecodeLength | vtx::tool::kDecodeData, &truncated);
    puts(text_.data());
    return !truncated;
  }

  long facility_;
  std::vector<char> text_;
  int printed_ = 0;
};

int Run(const Args& given) {
  Args args = given;
  const std::string names = TakeOption(args, "--names", "");
  const std::string facility_text = TakeOption(args, "--facility", "");
  if (args.size() > 1 || (!args.empty() && args[0].rfind("--", 0) == 0)) {
    fprintf(stderr, "tarrow decode: unexpected argument \"%s\"\n", args.back().c_str());
    return 2;
  }
  long facility = -1;
  if (!facility_text.empty()) {
    unsigned number = 0;
    if (!ParseModuleNumber(facility_text, number)) return 2;
    facility = number;
  }
  if (!names.empty() && VtxTraceNamesLoad(names.c_str()) < 0) {
    fprintf(stderr, "tarrow decode: cannot read the header directory \"%s\"\n", names.c_str());
    return 1;
  }
  std::string error;
  FILE* in = args.empty() ? stdin
                          : vtx::tool::OpenRegularFile(args[0].c_str(), false, kDecodeLimit, error);
  if (in == nullptr) {
    fprintf(stderr, "tarrow decode: %s\n", error.c_str());
    return 1;
  }
  // The decoder's own TRUNC says what a parse error would.
  vtx::tool::ExchangeMask(0);
  Printer printer(facility);
  Bytes bytes;
  Bytes dump;  // byte lines of the trace log, one packet until a line of another kind
  int status = 0;
  std::string line;
  long number = 0;
  for (int c = 0; c != EOF;) {
    line.clear();
    while ((c = fgetc(in)) != EOF && c != '\n') line += static_cast<char>(c);
    if (c == EOF && line.empty()) break;
    ++number;
    std::string message;
    if (TraceMessage(line, message)) {
      if (ParseHex(message, bytes)) {
        dump.insert(dump.end(), bytes.begin(), bytes.end());
        continue;
      }
      if (!dump.empty()) printer.Print(dump);
      dump.clear();
      continue;
    }
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    if (!ParseHex(line, bytes)) {
      fprintf(stderr, "line %ld: expected hex bytes, got \"%s\"\n", number, line.c_str());
      status = 1;
      continue;
    }
    printer.Print(bytes);
  }
  if (!dump.empty()) printer.Print(dump);
  if (in != stdin) fclose(in);
  return status;
}

}  // namespace

constexpr char kHelp[] =
    "  --names DIR        read the names from the firmware definition headers in DIR\n"
    "  --facility N       the lines are bare commands of facility N\n"
    "\n"
    "Example:\n"
    "  tarrow decode --names /usr/local/include/tarrow packets.txt\n";

TARROW_COMMAND("decode", "decode [--names DIR] [--facility N] [FILE]",
               "decode packets given as hex bytes, one per line (--facility: bare commands)", Run,
               kHelp);

}  // namespace tarrow
