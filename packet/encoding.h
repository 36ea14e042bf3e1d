// The integer encodings of the wire, on raw bytes. Writers return the bytes written; readers
// take the bytes available and return the bytes consumed, 0 when the code runs past them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx::packet {

// Varint: 7-bit groups, least significant first, bit 7 set when another byte follows.
constexpr size_t kMaxVarintLen = 5;
size_t VarintSize(uint32_t value);
size_t PutVarint(uint8_t* out, uint32_t value);
size_t GetVarint(const uint8_t* in, size_t avail, uint32_t& value);

// Varint15: 15-bit groups of two bytes, the low 8 bits, then 7 bits with the continuation bit.
constexpr size_t kMaxVarint15Len = 6;
size_t Varint15Size(uint32_t value);
size_t PutVarint15(uint8_t* out, uint32_t value);
size_t GetVarint15(const uint8_t* in, size_t avail, uint32_t& value);

// Fixed width (1, 2 or 4 bytes), little-endian.
void PutFixed(uint8_t* out, uint32_t value, size_t width);
uint32_t GetFixed(const uint8_t* in, size_t width);

}  // namespace vtx::packet
