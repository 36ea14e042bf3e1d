// Appending text into a caller's buffer that is never overrun: what does not fit is dropped,
// and the text is always terminated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vtx::trace {

class TextOut {
 public:
  // `size` counts the terminator; a size of 0 takes nothing at all.
  TextOut(char* buffer, size_t size) : buffer_(buffer), size_(size) {
    if (size_ > 0) buffer_[0] = '\0';
  }

  void Put(const char* text, size_t length) {
    if (size_ == 0) return;
    const size_t room = size_ - 1 - used_;
    if (length > room) {
      length = room;
      full_ = true;
    }
    memcpy(buffer_ + used_, text, length);
    used_ += length;
    buffer_[used_] = '\0';
  }
  void Put(const char* text) { Put(text, strlen(text)); }
  void Put(char c) { Put(&c, 1); }
  void Blanks(size_t count) {
    for (size_t i = 0; i < count; ++i) Put(' ');
  }
  // Upper-case hexadecimal with at least `digits` digits ("%0*X").
  void Hex(uint32_t value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    char text[8];
    int n = 0;
    do {
      text[7 - n++] = kDigits[value & 0xF];
      value >>= 4;
    } while (value != 0 || n < digits);
    Put(text + 8 - n, static_cast<size_t>(n));
  }

  // True once something did not fit.
  bool full() const { return full_ || (size_ > 0 && used_ == size_ - 1); }
  size_t length() const { return used_; }
  char* end() const { return buffer_ + used_; }
  void Clear() {
    used_ = 0;
    full_ = false;
    if (size_ > 0) buffer_[0] = '\0';
  }

 private:
  char* buffer_;
  size_t size_;
  size_t used_ = 0;
  bool full_ = false;
};

}  // namespace vtx::trace
