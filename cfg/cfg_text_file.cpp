#include "cfg/cfg_text_file.h"

#include <algorithm>
#include <cstring>

#include "cfg/cfg_error.h"

namespace vtx::cfg {

namespace {
constexpr size_t kBlockSize = 1024;
}  // namespace

cfgTextFile::cfgTextFile(const char* file_name) : fileName_(file_name ? file_name : "") {}

cfgTextFile::~cfgTextFile() {
  close();
}

const cfgString& cfgTextFile::line(size_t idx) const {
  ends_.item(idx);  // raises for an index beyond the lines
  return lines_[idx];
}

void cfgTextFile::append(const cfgString& text, LineEnd end) {
  lines_.push_back(text);
  ends_.append(end);
  pending_ = mode_ == kWrite;
}

bool cfgTextFile::open(int mode) {
  close();
  lines_.clear();
  ends_.clear();
  pending_ = false;
  openHook(mode);
  return good_;
}

void cfgTextFile::openHook(int mode) {
  if (mode == kRead) {
    mode_ = kRead;
    stream_ = std::fopen(fileName_.c_str(), "rb");
    good_ = stream_ != nullptr;
    return;
  }
  // Writing touches the disk only on close, so that a failed store leaves the old file alone.
  mode_ = kWrite;
  good_ = true;
  if (mode != kWrite) throw cfgError("unknown open mode in cfgTextFile::openHook");
}

bool cfgTextFile::readAll() {
  if (!good_ || mode_ != kRead) return false;
  std::string buffer;
  if (std::fseek(stream_, 0, SEEK_END) == 0) {
    long size = std::ftell(stream_);
    if (size > 0) buffer.reserve(static_cast<size_t>(size));
    std::rewind(stream_);
  }
  char block[kBlockSize];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, stream_)) > 0) buffer.append(block, got);
  if (std::ferror(stream_)) {
    good_ = false;
    return false;
  }
  splitLines(buffer);
  return true;
}

void cfgTextFile::assign(std::string_view bytes) {
  close();
  lines_.clear();
  ends_.clear();
  pending_ = false;
  mode_ = kRead;
  good_ = true;
  splitLines(bytes);
}

void cfgTextFile::splitLines(std::string_view bytes) {
  size_t count = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
  std::vector<size_t> starts;
  starts.reserve(count + 1);
  lines_.reserve(count);
  ends_.reserve(count);
  // One shared copy of the file holds every line, carriage returns squeezed out and each line
  // ended by a terminator, so that every line is a part of it. A file of n bytes needs at most
  // n + 1 characters: a line feed becomes the terminator, and only an unterminated last line
  // adds one.
  cfgString whole = cfgString::build(bytes.size() + 1, [&](char* text) {
    size_t in = 0, out = 0;
    while (in < bytes.size()) {
      starts.push_back(out);
      size_t lf = bytes.find('\n', in);
      size_t stop = lf == std::string_view::npos ? bytes.size() : lf;
      std::string_view piece = bytes.substr(in, stop - in);
      bool cr = piece.find('\r') != std::string_view::npos;
      if (cr) {
        for (char c : piece) {
          if (c != '\r') text[out++] = c;
        }
      } else {
        std::memcpy(text + out, piece.data(), piece.size());
        out += piece.size();
      }
      text[out++] = '\0';
      ends_.append(lf == std::string_view::npos ? kNoLineEnd : cr ? kCRLF : kLF);
      in = stop + 1;
    }
    starts.push_back(out);
    return out;
  });
  for (size_t i = 0; i + 1 < starts.size(); ++i) {
    lines_.push_back(whole.substr(starts[i], starts[i + 1] - starts[i] - 1));
  }
}

bool cfgTextFile::write(int line_end) {
  std::FILE* out = std::fopen(fileName_.c_str(), "wb");
  if (!out) {
    std::fprintf(stderr, "can't write buffer '%s' to disk.\n", fileName_.c_str());
    good_ = false;
    return false;
  }
  bool ok = true;
  for (size_t i = 0; i < lines_.size() && ok; ++i) {
    static const char* const kEnds[] = {"", "\n", "\r\n"};
    long end = line_end == kKeepLineEnds ? ends_.item(i) : line_end;
    const char* end_text = end >= kNoLineEnd && end <= kCRLF ? kEnds[end] : "";
    ok = std::fwrite(lines_[i].c_str(), 1, lines_[i].length(), out) == lines_[i].length() &&
         std::fputs(end_text, out) >= 0;
  }
  ok = std::fclose(out) == 0 && ok;
  if (!ok) good_ = false;
  return ok;
}

bool cfgTextFile::close() {
  bool ok = true;
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  } else if (mode_ == kWrite && good_ && pending_) {
    ok = write();
  }
  good_ = false;
  return ok;
}

}  // namespace vtx::cfg
