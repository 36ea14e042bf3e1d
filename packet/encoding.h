// The integer encodings of the wire, on raw bytes. Writers return the bytes written; readers
// take the bytes available and return the bytes consumed, 0 when the code runs past them.
// Inline: every tag read and written goes through them several times.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx::packet {

// Varint: 7-bit groups, least significant first, bit 7 set when another byte follows.
inline size_t VarintSize(uint32_t value) {
  size_t size = 1;
  while (value >= 0x80) {
    value >>= 7;
    ++size;
  }
  return size;
}

inline size_t PutVarint(uint8_t* out, uint32_t value) {
  size_t n = 0;
  while (value >= 0x80) {
    out[n++] = static_cast<uint8_t>(value | 0x80);
    value >>= 7;
  }
  out[n++] = static_cast<uint8_t>(value);
  return n;
}

// Bits beyond 32 of an over-long code are dropped; the code still ends at its last byte.
inline size_t GetVarint(const uint8_t* in, size_t avail, uint32_t& value) {
  if (avail > 0 && in[0] < 0x80) {
    value = in[0];
    return 1;
  }
  uint32_t result = 0;
  for (size_t n = 0; n < avail; ++n) {
    const size_t shift = 7 * n;
    if (shift < 32) result |= static_cast<uint32_t>(in[n] & 0x7F) << shift;
    if ((in[n] & 0x80) == 0) {
      value = result;
      return n + 1;
    }
  }
  return 0;
}

// Varint15: 15-bit groups of two bytes, the low 8 bits, then 7 bits with the continuation bit.
inline size_t PutVarint15(uint8_t* out, uint32_t value) {
  size_t n = 0;
  for (;;) {
    const bool more = value >= 0x8000;
    out[n++] = static_cast<uint8_t>(value);
    out[n++] = static_cast<uint8_t>(((value >> 8) & 0x7F) | (more ? 0x80 : 0));
    if (!more) return n;
    value >>= 15;
  }
}

inline size_t GetVarint15(const uint8_t* in, size_t avail, uint32_t& value) {
  uint32_t result = 0;
  for (size_t n = 0; n + 2 <= avail; n += 2) {
    const size_t shift = 15 * (n / 2);
    const uint32_t group = in[n] | static_cast<uint32_t>(in[n + 1] & 0x7F) << 8;
    if (shift < 32) result |= group << shift;
    if ((in[n + 1] & 0x80) == 0) {
      value = result;
      return n + 2;
    }
  }
  return 0;
}

// Fixed width (1, 2 or 4 bytes), little-endian.
inline void PutFixed(uint8_t* out, uint32_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint32_t GetFixed(const uint8_t* in, size_t width) {
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= static_cast<uint32_t>(in[i]) << (8 * i);
  return value;
}

}  // namespace vtx::packet
