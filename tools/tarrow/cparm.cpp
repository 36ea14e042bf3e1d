// tarrow cparm: writes a country parameter file from a readable description, and prints a file
// back in that description form.
//
// A description is a text of lines; "#" starts a comment anywhere, blank lines are ignored:
//
//   record_length 202     parameter bytes per record, 202 or more (default 202); before any country
//   country 44            starts the record of a country code (hexadecimal, 0 to ffff)
//   usa                   the record's first 202 bytes become the built-in USA parameters
//   at 25 88 13           bytes in hexadecimal from a decimal position of the current record
//
// Bytes that no line sets are 0.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "api/tool_support.h"
#include "lineconfig/country_params.h"
#include "lineconfig/file_limits.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/description.h"

namespace tarrow {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr unsigned long kMaxRecords = 32767;  // the record count is a signed 16-bit field

struct Country {
  unsigned code;
  Bytes params;
};

struct CountryFile {
  unsigned record_length = vtx::kCountryParamsLen;
  std::vector<Country> countries;
};

class CountryDescription : public DescriptionReader {
 public:
  CountryDescription(const std::string& name, CountryFile* out)
      : DescriptionReader(name), out_(out) {}

 private:
  bool Statement(const std::vector<std::string>& w) override {
    const std::string& what = w[0];
    if (what == "record_length") return RecordLength(w, out_);
    if (what == "country") return NewCountry(w, out_);
    if (what == "usa" || what == "at") {
      if (out_->countries.empty()) return Error("country before " + what, Quoted(what));
      Bytes& params = out_->countries.back().params;
      if (what == "at") return At(w, params);
      if (w.size() > 1) return Error("the end of the line after usa", Quoted(w[1]));
      std::copy(vtx::kUsaCountryParams, vtx::kUsaCountryParams + vtx::kCountryParamsLen,
                params.begin());
      return true;
    }
    return Error("record_length, country, usa or at", Quoted(what));
  }

  bool RecordLength(const std::vector<std::string>& w, CountryFile* out) {
    if (!out->countries.empty())
      return Error("record_length before the first country", Quoted(w[0]));
    unsigned long length = 0;
    if (w.size() != 2 || !ReadNumber(w[1], 10, 0xFFFF, length) || length < vtx::kCountryParamsLen) {
      return Error("one record length of 202 to 65535", Got(w, 1));
    }
    out->record_length = static_cast<unsigned>(length);
    return true;
  }

  bool NewCountry(const std::vector<std::string>& w, CountryFile* out) {
    unsigned long code = 0;
    if (w.size() != 2 || !ReadNumber(w[1], 16, 0xFFFF, code)) {
      return Error("one country code of 0 to ffff in hexadecimal", Got(w, 1));
    }
    if (!codes_.insert(static_cast<unsigned>(code)).second) {
      return Error("a country code not given before", Quoted(w[1]));
    }
    if (out->countries.size() == kMaxRecords) {
      return Error("at most 32767 countries", "one more");
    }
    out->countries.push_back({static_cast<unsigned>(code), Bytes(out->record_length, 0)});
    return true;
  }

  bool At(const std::vector<std::string>& w, Bytes& params) {
    unsigned long position = 0;
    if (w.size() < 2 || !ReadNumber(w[1], 10, params.size() - 1, position)) {
      return Error("a position below " + std::to_string(params.size()), Got(w, 1));
    }
    if (w.size() - 2 > params.size() - position) {
      return Error("at most " + std::to_string(params.size() - position) + " bytes from " +
                       std::to_string(position),
                   std::to_string(w.size() - 2));
    }
    for (size_t i = 2; i < w.size(); ++i) {
      unsigned long byte = 0;
      if (!ReadNumber(w[i], 16, 0xFF, byte)) return Error("a byte in hexadecimal", Quoted(w[i]));
      params[position + i - 2] = static_cast<uint8_t>(byte);
    }
    return true;
  }

  CountryFile* out_;
  std::set<unsigned> codes_;
};

void PutU16(Bytes& out, unsigned value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

int Write(const std::string& description, const std::string& output) {
  CountryFile file;
  if (!CountryDescription(description, &file).ReadFile("tarrow cparm")) return 1;
  Bytes bytes;
  PutU16(bytes, file.record_length);
  PutU16(bytes, static_cast<unsigned>(file.countries.size()));
  for (const Country& country : file.countries) {
    PutU16(bytes, country.code);
    bytes.insert(bytes.end(), country.params.begin(), country.params.end());
  }
  return WriteBytes("tarrow cparm", output, bytes) ? 0 : 1;
}

unsigned U16At(const Bytes& bytes, size_t at) {
  return bytes[at] | (bytes[at + 1] << 8);
}

int Print(const std::string& name) {
  std::string content, error;
  if (!vtx::tool::ReadRegularFile(name.c_str(), vtx::kCountryFileLimit, content, error)) {
    fprintf(stderr, "tarrow cparm: %s\n", error.c_str());
    return 1;
  }
  const Bytes bytes(content.begin(), content.end());
  if (bytes.size() < vtx::kCountryFileHeaderLen) {
    fprintf(stderr, "%s: expected a 4-byte header, got %zu bytes\n", name.c_str(), bytes.size());
    return 1;
  }
  unsigned length = U16At(bytes, 0);
  int count = static_cast<int16_t>(U16At(bytes, 2));
  if (length < vtx::kCountryParamsLen) {
    fprintf(stderr, "%s: expected a record length of 202 or more, got %u\n", name.c_str(), length);
    return 1;
  }
  printf("# %s: %d records\nrecord_length %u\n", name.c_str(), count < 0 ? 0 : count, length);
  size_t at = vtx::kCountryFileHeaderLen;
  for (int i = 0; i < count; ++i) {
    size_t record = vtx::kCountryRecordHeaderLen + length;
    if (bytes.size() - at < record) {
      fprintf(stderr, "%s: expected %zu bytes of record %d, got %zu\n", name.c_str(), record, i + 1,
              bytes.size() - at);
      return 1;
    }
    printf("country %X\n", U16At(bytes, at));
    for (unsigned row = 0; row < length; row += 16) {
      printf("at %u", row);
      for (unsigned p = row; p < length && p < row + 16; ++p) printf(" %02x", bytes[at + 2 + p]);
      printf("\n");
    }
    at += record;
  }
  if (at < bytes.size()) printf("# %zu bytes after the last record\n", bytes.size() - at);
  return 0;
}

int Run(const Args& args) {
  if (args.size() == 3 && args[0] == "write") return Write(args[1], args[2]);
  if (args.size() == 2 && args[0] == "print") return Print(args[1]);
  fprintf(stderr,
          "usage: tarrow cparm write DESCRIPTION FILE | print FILE\n"
          "A description has one statement a line (\"#\" starts a comment):\n"
          "  record_length N   parameter bytes per record, 202 to 65535 (default 202),\n"
          "                    before the first country\n"
          "  country CODE      starts the record of a country code, hexadecimal\n"
          "  usa               the record's first 202 bytes are the built-in USA block\n"
          "  at POS XX XX ...  bytes in hexadecimal from decimal position POS\n"
          "Bytes no statement sets are 0. print writes a file back in this form.\n");
  return 2;
}

}  // namespace

constexpr char kHelp[] =
    "A description has one statement a line (\"#\" starts a comment):\n"
    "  record_length N   parameter bytes per record, 202 to 65535 (default 202), before the first "
    "country\n"
    "  country CODE      starts the record of a country code, hexadecimal\n"
    "  usa               the record's first 202 bytes are the built-in USA block\n"
    "  at POS XX XX ...  bytes in hexadecimal from decimal position POS\n"
    "Bytes no statement sets are 0. print writes a file back in this form.\n"
    "\n"
    "Example:\n"
    "  tarrow cparm write usa.txt CV_CPARM.CFG\n";

TARROW_COMMAND("cparm", "cparm write DESCRIPTION FILE | print FILE",
               "write a country parameter file from a description, or print one as a description",
               Run, kHelp);

}  // namespace tarrow
