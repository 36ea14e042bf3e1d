// Firmware images for the download tests: a version line first, the CRC-32 last.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace vtx::testing {

// An image of `size` bytes naming `version` on its first line (no line when empty) and ending
// with the CRC-32 of the bytes before it.
inline std::vector<uint8_t> FirmwareImage(size_t size, const std::string& version = "") {
  std::vector<uint8_t> image(size);
  for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(i * 13 + 5);
  if (!version.empty()) {
    const std::string line = "TARROW FIRMWARE " + version + "\n";
    std::copy(line.begin(), line.end(), image.begin());
  }
  const uLong crc = crc32(crc32(0L, Z_NULL, 0), image.data(), static_cast<uInt>(size - 4));
  for (size_t i = 0; i < 4; ++i) image[size - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
  return image;
}

}  // namespace vtx::testing
