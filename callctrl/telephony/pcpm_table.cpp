#include "callctrl/telephony/pcpm_table.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>

#include "os/file.h"

namespace vtx::callctrl {
namespace {

// The largest PCPM table read: a few hundred tone lines.
constexpr uint64_t kPcpmFileLimit = 1 << 20;

constexpr size_t kMaxLine = 255;
constexpr size_t kMaxFileSize = 64 * 1024;
constexpr uint32_t kMinFrequency = 200, kMaxFrequency = 3400, kMaxStepMs = 10000, kMaxId = 255;

struct LineReader {
  const char* file_name;
  size_t line;
  const PcpmReport& report;

  bool Problem(const std::string& expected, const std::string& got) const {
    report(std::string(file_name) + ":" + std::to_string(line) + ": expected " + expected +
           ", got " + got);
    return false;
  }
};

// A decimal number from `min` to `max`.
bool Number(const LineReader& r, const std::string& word, uint32_t min, uint32_t max,
            const char* what, uint16_t& out) {
  const std::string expected = std::string("a number from ") + std::to_string(min) + " to " +
                               std::to_string(max) + " for " + what;
  if (word.empty()) return r.Problem(expected, "the end of the line");
  if (word.size() > 5 || word.find_first_not_of("0123456789") != std::string::npos) {
    return r.Problem(expected, "'" + word + "'");
  }
  const auto value = static_cast<uint32_t>(std::stoul(word));
  if (value < min || value > max) return r.Problem(expected, "'" + word + "'");
  out = static_cast<uint16_t>(value);
  return true;
}

bool Frequency(const LineReader& r, const std::string& word, bool may_be_zero, uint16_t& out) {
  if (may_be_zero && word == "0") {
    out = 0;
    return true;
  }
  return Number(r, word, kMinFrequency, kMaxFrequency, may_be_zero ? "FREQ2 (or 0)" : "FREQ1", out);
}

// One "tone" statement after its keyword.
bool ParseTone(const LineReader& r, std::istringstream& words, PcpmTone& tone) {
  std::string id, f1, f2;
  words >> id >> f1 >> f2;
  if (!Number(r, id, 1, kMaxId, "ID", tone.id) || !Frequency(r, f1, false, tone.frequency[0]) ||
      !Frequency(r, f2, true, tone.frequency[1])) {
    return false;
  }
  std::string on, off;
  while (words >> on) {
    if (tone.steps == kMaxCadenceSteps) {
      return r.Problem("at most " + std::to_string(kMaxCadenceSteps) + " cadence steps",
                       "'" + on + "'");
    }
    words >> off;
    uint16_t* step = &tone.on_off[2 * tone.steps];
    if (!Number(r, on, 0, kMaxStepMs, "ON", step[0]) ||
        !Number(r, off, 0, kMaxStepMs, "OFF", step[1])) {
      return false;
    }
    ++tone.steps;
    off.clear();
  }
  if (tone.steps == 0) return r.Problem("ON and OFF", "the end of the line");
  return true;
}

// One line: a comment, a blank line or a tone; false after the report of what is wrong.
bool ParseLine(const LineReader& r, const std::string& text, std::vector<PcpmTone>& tones,
               std::set<uint16_t>& ids) {
  if (text.size() > kMaxLine) {
    return r.Problem("a line of at most " + std::to_string(kMaxLine) + " characters",
                     std::to_string(text.size()));
  }
  for (unsigned char c : text) {
    if (c < 0x20 && c != '\t' && c != '\r') {
      char got[16];
      snprintf(got, sizeof got, "byte 0x%02X", c);
      return r.Problem("text", got);
    }
  }
  std::istringstream words(text.substr(0, text.find('#')));
  std::string keyword;
  if (!(words >> keyword)) return true;
  if (keyword != "tone") return r.Problem("'tone'", "'" + keyword + "'");
  PcpmTone tone;
  if (!ParseTone(r, words, tone)) return false;
  if (!ids.insert(tone.id).second) {
    return r.Problem("a tone ID not used before", "'" + std::to_string(tone.id) + "'");
  }
  if (tones.size() == kMaxPcpmTones) {
    return r.Problem("at most " + std::to_string(kMaxPcpmTones) + " tones", "one more");
  }
  tones.push_back(tone);
  return true;
}

}  // namespace

uint32_t ParsePcpmTable(const char* file_name, const char* text, size_t size,
                        std::vector<PcpmTone>& tones, const PcpmReport& report) {
  tones.clear();
  std::set<uint16_t> ids;
  bool ok = true;
  size_t start = 0, number = 0;
  while (start < size) {
    const char* end = static_cast<const char*>(memchr(text + start, '\n', size - start));
    const size_t length = end != nullptr ? static_cast<size_t>(end - (text + start)) : size - start;
    const LineReader reader{file_name, ++number, report};
    ok = ParseLine(reader, std::string(text + start, length), tones, ids) && ok;
    start += length + 1;
  }
  if (ok && tones.empty()) {
    LineReader{file_name, 0, report}.Problem("at least one tone", "none");
    ok = false;
  }
  if (!ok) tones.clear();
  return ok ? 0 : EINVAL;
}

uint32_t ReadPcpmTable(const char* file_name, std::vector<PcpmTone>& tones,
                       const PcpmReport& report) {
  std::string why;
  FILE* file = os::OpenRegularFile(file_name, true, kPcpmFileLimit, why);
  if (file == nullptr) {
    const int error = errno;
    report(why);
    return static_cast<uint32_t>(error);
  }
  std::string text(kMaxFileSize + 1, '\0');
  const size_t size = fread(&text[0], 1, text.size(), file);
  const bool failed = ferror(file) != 0;
  const int error = errno;
  os::FileClose(file);
  if (failed) {
    report(std::string(file_name) + ": " + strerror(error));
    return static_cast<uint32_t>(error);
  }
  if (size > kMaxFileSize) {
    LineReader{file_name, 0, report}.Problem(
        "a file of at most " + std::to_string(kMaxFileSize) + " bytes", "a longer one");
    return EINVAL;
  }
  return ParsePcpmTable(file_name, text.data(), size, tones, report);
}

}  // namespace vtx::callctrl
