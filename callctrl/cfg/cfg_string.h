// cfgString: the configuration library's string. The text is shared between copies and never
// changed in place, so handing a line from a text file to the line list costs no copy.
#pragma once

#include <atomic>
#include <cstddef>
#include <string_view>

namespace vtx::cfg {

class cfgString {
 public:
  cfgString() noexcept = default;
  cfgString(const char* text);  // NOLINT: strings convert from C text as std::string does
  cfgString(std::string_view text);
  cfgString(const cfgString& other) noexcept;
  cfgString(cfgString&& other) noexcept;
  ~cfgString();
  cfgString& operator=(const cfgString& other) noexcept;
  cfgString& operator=(cfgString&& other) noexcept;
  // Makes the string the one character `c`.
  cfgString& operator=(char c);

  const char* c_str() const noexcept { return rep_ ? rep_->text : ""; }
  size_t length() const noexcept { return rep_ ? rep_->length : 0; }
  bool empty() const noexcept { return length() == 0; }
  std::string_view view() const noexcept { return {c_str(), length()}; }
  char operator[](size_t idx) const noexcept { return c_str()[idx]; }

  // The characters from `pos` (clamped to the length), at most `count` of them.
  cfgString substr(size_t pos, size_t count = std::string_view::npos) const;
  cfgString operator+(std::string_view tail) const;

  friend bool operator==(const cfgString& a, std::string_view b) { return a.view() == b; }
  friend bool operator!=(const cfgString& a, std::string_view b) { return a.view() != b; }

 private:
  struct Rep {
    std::atomic<long> refs;
    size_t length;
    char text[1];
  };
  // Allocates a new text of `length` characters, not yet filled; raises `failure` when memory is
  // exhausted.
  static Rep* allocate(size_t length, const char* failure);
  void intializeWith(std::string_view text);
  void release() noexcept;

  Rep* rep_ = nullptr;
};

}  // namespace vtx::cfg
