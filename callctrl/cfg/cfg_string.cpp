#include "callctrl/cfg/cfg_string.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "callctrl/cfg/cfg_error.h"

namespace vtx::cfg {

cfgString::Rep* cfgString::allocate(size_t length, const char* failure) {
  void* memory = std::malloc(offsetof(Rep, text) + length + 1);
  if (!memory) throw cfgError(failure);
  Rep* rep = new (memory) Rep;
  rep->refs.store(1, std::memory_order_relaxed);
  rep->length = length;
  rep->text[length] = '\0';
  return rep;
}

void cfgString::intializeWith(std::string_view text) {
  if (text.empty()) return;
  rep_ = allocate(text.size(), "out of memory in cfgString.intializeWith");
  std::memcpy(rep_->text, text.data(), text.size());
}

cfgString::cfgString(const char* text) {
  intializeWith(text ? std::string_view(text) : "");
}

cfgString::cfgString(std::string_view text) {
  intializeWith(text);
}

cfgString::cfgString(const cfgString& other) noexcept : rep_(other.rep_) {
  if (rep_) rep_->refs.fetch_add(1, std::memory_order_relaxed);
}

cfgString::cfgString(cfgString&& other) noexcept : rep_(other.rep_) {
  other.rep_ = nullptr;
}

cfgString::~cfgString() {
  release();
}

void cfgString::release() noexcept {
  if (rep_ && rep_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    rep_->~Rep();
    std::free(rep_);
  }
  rep_ = nullptr;
}

cfgString& cfgString::operator=(const cfgString& other) noexcept {
  if (other.rep_) other.rep_->refs.fetch_add(1, std::memory_order_relaxed);
  release();
  rep_ = other.rep_;
  return *this;
}

cfgString& cfgString::operator=(cfgString&& other) noexcept {
  if (this != &other) {
    release();
    rep_ = other.rep_;
    other.rep_ = nullptr;
  }
  return *this;
}

cfgString& cfgString::operator=(char c) {
  Rep* rep = allocate(1, "out of memory in cfgString::operator=(char)");
  rep->text[0] = c;
  release();
  rep_ = rep;
  return *this;
}

cfgString cfgString::substr(size_t pos, size_t count) const {
  std::string_view text = view().substr(std::min(pos, length()), count);
  cfgString part;
  if (text.size() == length()) return *this;
  if (text.empty()) return part;
  part.rep_ = allocate(text.size(), "out of memory in cfgString::substr");
  std::memcpy(part.rep_->text, text.data(), text.size());
  return part;
}

cfgString cfgString::operator+(std::string_view tail) const {
  if (tail.empty()) return *this;
  cfgString joined;
  joined.rep_ = allocate(length() + tail.size(), "out of memory in cfgString::operator+");
  std::memcpy(joined.rep_->text, c_str(), length());
  std::memcpy(joined.rep_->text + length(), tail.data(), tail.size());
  return joined;
}

}  // namespace vtx::cfg
