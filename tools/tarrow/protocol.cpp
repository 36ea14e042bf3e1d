// tarrow protocol: checks protocol and coefficient files as the ports read them at start-up, and
// writes one from a readable description.
//
// A description has one statement a line ("#" starts a comment):
//
//   signature 3C4D     the header's signature in hexadecimal (default 3C4D)
//   file_type 5        the file type, decimal, 0 to 65535; once, required
//   data 01 02 ff      data bytes in hexadecimal, appended in order; as many lines as needed
//
// The header size (12), the data size and the checksum are computed; the unused header word is 0.
#include <cstdio>
#include <string>
#include <vector>

#include "portcc/protocol_file.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/description.h"

namespace tarrow {
namespace {

using vtx::portcc::ProtocolHeader;
constexpr const char* kTool = "tarrow protocol";
constexpr size_t kMaxData = 0xFFFF;  // the data size is a 16-bit field

struct ProtocolDescriptionResult {
  ProtocolHeader header;
  bool typed = false;
  std::vector<uint8_t> data;
};

class ProtocolDescription : public DescriptionReader {
 public:
  ProtocolDescription(const std::string& name, ProtocolDescriptionResult* out)
      : DescriptionReader(name), out_(out) {}

 private:
  bool Statement(const std::vector<std::string>& w) override {
    const std::string& what = w[0];
    if (what == "signature")
      return Word(w, 16, "one signature of 0 to ffff in hexadecimal", &out_->header.signature);
    if (what == "file_type") {
      if (out_->typed) return Error("one file_type statement", "a second");
      out_->typed = true;
      return Word(w, 10, "one file type of 0 to 65535", &out_->header.file_type);
    }
    if (what == "data") return Data(w);
    return Error("signature, file_type or data", Quoted(what));
  }

  bool End() override {
    return out_->typed || Error("a file_type statement", "the end of the file");
  }

  bool Word(const std::vector<std::string>& w, int base, const char* expected, uint16_t* out) {
    unsigned long value = 0;
    if (w.size() != 2 || !ReadNumber(w[1], base, 0xFFFF, value)) return Error(expected, Got(w, 1));
    *out = static_cast<uint16_t>(value);
    return true;
  }

  bool Data(const std::vector<std::string>& w) {
    if (w.size() < 2) return Error("data bytes in hexadecimal", "nothing");
    for (size_t i = 1; i < w.size(); ++i) {
      unsigned long byte = 0;
      if (!ReadNumber(w[i], 16, 0xFF, byte)) return Error("a byte in hexadecimal", Quoted(w[i]));
      if (out_->data.size() == kMaxData) return Error("at most 65535 data bytes", "more");
      out_->data.push_back(static_cast<uint8_t>(byte));
    }
    return true;
  }

  ProtocolDescriptionResult* out_;
};

int Write(const std::string& description, const std::string& output) {
  ProtocolDescriptionResult file;
  file.header.signature = vtx::portcc::kProtocolSignature;
  if (!ProtocolDescription(description, &file).ReadFile(kTool)) return 1;
  file.header.header_size = vtx::portcc::kProtocolHeaderSize;
  file.header.data_size = static_cast<uint16_t>(file.data.size());
  file.header.checksum = vtx::portcc::ProtocolChecksum(file.data.data(), file.data.size());
  std::vector<uint8_t> bytes(vtx::portcc::kProtocolHeaderSize);
  vtx::portcc::EncodeProtocolHeader(file.header, bytes.data());
  bytes.insert(bytes.end(), file.data.begin(), file.data.end());
  return WriteBytes(kTool, output, bytes) ? 0 : 1;
}

// One line per file: its header fields, then "ok" or the reader's message.
bool Check(const std::string& name, vtx::portcc::SizeRule rule) {
  uint8_t buffer[vtx::portcc::kProtocolBufferSize];
  const auto check = vtx::portcc::CheckProtocolFile(name.c_str(), rule, buffer, sizeof buffer);
  std::string fields;
  if (check.header_read) {
    const ProtocolHeader& h = check.header;
    char text[160];
    snprintf(text, sizeof text,
             "signature 0x%04X, header size %u, data size %u, file type %u, checksum 0x%04X: ",
             h.signature, h.header_size, h.data_size, h.file_type, h.checksum);
    fields = text;
  }
  const bool good = check.fault == vtx::portcc::ProtocolFault::kNone;
  fprintf(good ? stdout : stderr, "%s: %s%s\n", name.c_str(), fields.c_str(),
          good ? "ok" : vtx::portcc::ProtocolFaultText(check, name.c_str(), sizeof buffer).c_str());
  return good;
}

int Usage(FILE* out, int status) {
  fprintf(out,
          "usage: tarrow protocol check FILE... [--cas] | write DESCRIPTION FILE\n"
          "check reads each file as an analog port does (--cas: as a CAS port does).\n"
          "A description has one statement a line (\"#\" starts a comment):\n"
          "  signature XXXX    the header signature in hexadecimal (default 3C4D)\n"
          "  file_type N       the file type, decimal; required\n"
          "  data XX XX ...    data bytes in hexadecimal, appended\n"
          "The header size, data size and checksum are computed.\n");
  return status;
}

int Run(const Args& given) {
  Args args = given;
  const bool cas = TakeFlag(args, "--cas");
  if (args.size() == 3 && args[0] == "write" && !cas) return Write(args[1], args[2]);
  if (args.size() < 2 || args[0] != "check") return Usage(stderr, 2);
  bool good = true;
  for (size_t i = 1; i < args.size(); ++i) {
    if (!Check(args[i], cas ? vtx::portcc::SizeRule::kCas : vtx::portcc::SizeRule::kAnalog)) {
      good = false;
    }
  }
  return good ? 0 : 1;
}

}  // namespace

constexpr char kHelp[] =
    "  --cas              check as a CAS port does (default: as an analog port)\n"
    "\n"
    "A description has one statement a line (\"#\" starts a comment):\n"
    "  signature XXXX    the header signature in hexadecimal (default 3C4D)\n"
    "  file_type N       the file type, decimal; required\n"
    "  data XX XX ...    data bytes in hexadecimal, appended\n"
    "The header size, data size and checksum are computed.\n"
    "\n"
    "Example:\n"
    "  tarrow protocol check portcc/examples/analog_loop_start.pro\n";

TARROW_COMMAND("protocol", "protocol check FILE... [--cas] | write DESCRIPTION FILE",
               "check protocol and coefficient files, or write one from a description", Run, kHelp);

}  // namespace tarrow
