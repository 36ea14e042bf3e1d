#include "callctrl/cfg/cfg_text_file.h"

#include <cstring>

#include "callctrl/cfg/cfg_error.h"

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

void cfgTextFile::storeLine(std::string_view text, bool had_cr) {
  if (!had_cr) {
    append(cfgString(text), kLF);
    return;
  }
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if (c != '\r') kept.push_back(c);
  }
  append(cfgString(kept), kCRLF);
}

bool cfgTextFile::readAll() {
  if (!good_ || mode_ != kRead) return false;
  char block[kBlockSize];
  std::string pending;  // a line that crosses a block boundary
  bool pending_cr = false;
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, stream_)) > 0) {
    std::string_view rest(block, got);
    while (!rest.empty()) {
      size_t lf = rest.find('\n');
      std::string_view piece = rest.substr(0, lf);
      bool cr = piece.find('\r') != std::string_view::npos;
      if (lf == std::string_view::npos) {
        pending.append(piece);
        pending_cr |= cr;
        break;
      }
      if (pending.empty() && !pending_cr) {
        storeLine(piece, cr);
      } else {
        pending.append(piece);
        storeLine(pending, pending_cr || cr);
        pending.clear();
        pending_cr = false;
      }
      rest.remove_prefix(lf + 1);
    }
  }
  if (std::ferror(stream_)) {
    good_ = false;
    return false;
  }
  if (!pending.empty() || pending_cr) {
    storeLine(pending, pending_cr);
    ends_.item(ends_.count() - 1) = kNoLineEnd;
  }
  return true;
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
