#include "cfg/cfg_string.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "cfg/cfg_error.h"

namespace vtx::cfg {

char* cfgString::allocate(size_t length, const char* failure) {
  if (length <= kSmall) {
    small_.length = static_cast<uint8_t>(length);
    small_.text[length] = '\0';
    return small_.text;
  }
  void* memory = length <= UINT32_MAX ? std::malloc(offsetof(Rep, text) + length + 1) : nullptr;
  if (!memory) throw cfgError(failure);
  Rep* rep = new (memory) Rep;
  rep->refs.store(1, std::memory_order_relaxed);
  rep->text[length] = '\0';
  big_.rep = rep;
  big_.text = rep->text;
  big_.length = static_cast<uint32_t>(length);
  small_.length = kShared;
  return rep->text;
}

void cfgString::intializeWith(std::string_view text) {
  clearSmall();
  std::memcpy(allocate(text.size(), "out of memory in cfgString.intializeWith"), text.data(),
              text.size());
}

void cfgString::setLength(size_t length) noexcept {
  if (shared()) {
    big_.length = static_cast<uint32_t>(length);
    big_.rep->text[length] = '\0';
  } else {
    small_.length = static_cast<uint8_t>(length);
    small_.text[length] = '\0';
  }
}

cfgString::cfgString(const char* text) {
  intializeWith(text ? std::string_view(text) : "");
}

cfgString::cfgString(std::string_view text) {
  intializeWith(text);
}

cfgString::cfgString(const cfgString& other) noexcept {
  std::memcpy(static_cast<void*>(this), &other, sizeof *this);  // either form, bytewise
  if (shared()) big_.rep->refs.fetch_add(1, std::memory_order_relaxed);
}

cfgString::cfgString(cfgString&& other) noexcept {
  std::memcpy(static_cast<void*>(this), &other, sizeof *this);
  other.clearSmall();
}

void cfgString::dropShared() noexcept {
  if (big_.rep->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    big_.rep->~Rep();
    std::free(big_.rep);
  }
}

void cfgString::release() noexcept {
  if (shared()) dropShared();
  clearSmall();
}

cfgString& cfgString::operator=(const cfgString& other) noexcept {
  if (this != &other) {
    release();
    new (this) cfgString(other);
  }
  return *this;
}

cfgString& cfgString::operator=(cfgString&& other) noexcept {
  if (this != &other) {
    release();
    new (this) cfgString(std::move(other));
  }
  return *this;
}

cfgString& cfgString::operator=(char c) {
  cfgString one;
  one.allocate(1, "out of memory in cfgString::operator=(char)")[0] = c;
  return *this = std::move(one);
}

cfgString cfgString::substr(size_t pos, size_t count) const {
  std::string_view text = view().substr(std::min(pos, length()), count);
  cfgString part;
  if (shared() && text.size() > kSmall && text.data()[text.size()] == '\0') {
    part.big_ = {big_.rep, text.data(), static_cast<uint32_t>(text.size())};
    part.small_.length = kShared;
    big_.rep->refs.fetch_add(1, std::memory_order_relaxed);
    return part;
  }
  std::memcpy(part.allocate(text.size(), "out of memory in cfgString::substr"), text.data(),
              text.size());
  return part;
}

cfgString cfgString::operator+(std::string_view tail) const {
  cfgString joined;
  char* text = joined.allocate(length() + tail.size(), "out of memory in cfgString::operator+");
  std::memcpy(text, c_str(), length());
  std::memcpy(text + length(), tail.data(), tail.size());
  return joined;
}

}  // namespace vtx::cfg
