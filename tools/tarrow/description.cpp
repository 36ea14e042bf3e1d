#include "tools/tarrow/description.h"

#include <cstdlib>
#include <sstream>

#include "api/tool_support.h"

namespace tarrow {

namespace {

// The largest description read: the largest file described is a few kilobytes of bytes in
// hexadecimal.
constexpr uint64_t kDescriptionLimit = 4 << 20;

}  // namespace

bool DescriptionReader::ReadFile(const std::string& tool) {
  std::string error;
  FILE* in = vtx::tool::OpenRegularFile(name_.c_str(), false, kDescriptionLimit, error);
  if (in == nullptr) {
    fprintf(stderr, "%s: %s\n", tool.c_str(), error.c_str());
    return false;
  }
  const bool good = Read(in);
  fclose(in);
  return good;
}

bool DescriptionReader::Read(FILE* in) {
  char buffer[4096];
  std::string text;
  while (fgets(buffer, sizeof buffer, in) != nullptr) {
    text += buffer;
    if (!text.empty() && text.back() != '\n' && !feof(in)) continue;
    ++line_;
    std::istringstream words(text.substr(0, text.find('#')));
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (!w.empty() && !Statement(w)) return false;
    text.clear();
  }
  ++line_;
  return End();
}

bool DescriptionReader::Error(const std::string& expected, const std::string& got) {
  fprintf(stderr, "%s:%d: expected %s, got %s\n", name_.c_str(), line_, expected.c_str(),
          got.c_str());
  return false;
}

std::string Quoted(const std::string& word) {
  return "\"" + word + "\"";
}

std::string Got(const std::vector<std::string>& words, size_t index) {
  return index < words.size() ? Quoted(words[index]) : "nothing";
}

bool WriteBytes(const std::string& tool, const std::string& path,
                const std::vector<uint8_t>& bytes) {
  FILE* out = fopen(path.c_str(), "wb");
  bool written = out != nullptr && fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (out != nullptr && fclose(out) != 0) written = false;
  if (!written) fprintf(stderr, "%s: cannot write \"%s\"\n", tool.c_str(), path.c_str());
  return written;
}

}  // namespace tarrow
