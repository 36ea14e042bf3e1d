// cfgString: the configuration library's string. Short texts live inside the object; longer ones
// are shared between copies and never changed in place, and a part that runs to the end of a
// shared text (as every line of a file read whole does) shares it too, so that a file's lines,
// the line list and the model cost one copy of the file and not one allocation per line.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vtx::cfg {

class cfgString {
 public:
  cfgString() noexcept { clearSmall(); }
  cfgString(const char* text);  // NOLINT: strings convert from C text as std::string does
  cfgString(std::string_view text);
  cfgString(const cfgString& other) noexcept;
  cfgString(cfgString&& other) noexcept;
  ~cfgString() {
    if (shared()) dropShared();
  }
  cfgString& operator=(const cfgString& other) noexcept;
  cfgString& operator=(cfgString&& other) noexcept;
  // Makes the string the one character `c`.
  cfgString& operator=(char c);

  const char* c_str() const noexcept { return shared() ? big_.text : small_.text; }
  size_t length() const noexcept { return shared() ? big_.length : small_.length; }
  bool empty() const noexcept { return length() == 0; }
  std::string_view view() const noexcept { return {c_str(), length()}; }
  char operator[](size_t idx) const noexcept { return c_str()[idx]; }

  // A string of at most `capacity` characters written by `fill(char* text)`, which returns how
  // many it wrote; the text can then be shared by parts (substr) that end at a terminator.
  template <typename Fill>
  static cfgString build(size_t capacity, Fill fill) {
    cfgString built;
    char* text = built.allocate(capacity, "out of memory in cfgString.intializeWith");
    built.setLength(fill(text));
    return built;
  }

  // The characters from `pos` (clamped to the length), at most `count` of them. A part that ends
  // where a terminator already stands shares the text.
  cfgString substr(size_t pos, size_t count = std::string_view::npos) const;
  cfgString operator+(std::string_view tail) const;

  friend bool operator==(const cfgString& a, std::string_view b) { return a.view() == b; }
  friend bool operator!=(const cfgString& a, std::string_view b) { return a.view() != b; }

 private:
  static constexpr size_t kSmall = 22;      // characters kept inside the object
  static constexpr uint8_t kShared = 0xFF;  // the tag of a shared text
  struct Rep {
    std::atomic<long> refs;
    char text[1];
  };

  void clearSmall() noexcept {
    small_.text[0] = '\0';
    small_.length = 0;
  }
  bool shared() const noexcept { return small_.length == kShared; }
  // Makes this (empty) string hold `length` characters, not yet filled, and returns where they
  // go; raises `failure` when memory is exhausted.
  char* allocate(size_t length, const char* failure);
  void intializeWith(std::string_view text);
  void setLength(size_t length) noexcept;
  void dropShared() noexcept;  // gives up this string's share of a shared text
  void release() noexcept;

  // Both forms keep their tag in the last byte: the length of an inside text, or kShared.
  union {
    struct {
      Rep* rep;
      const char* text;
      uint32_t length;
    } big_;
    struct {
      char text[kSmall + 1];
      uint8_t length;
    } small_;
  };
};

}  // namespace vtx::cfg
