#include "tests/windows/png_file.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace windows_test {
namespace {

void PutWord(std::vector<unsigned char>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<unsigned char>(value >> shift));
}

// One chunk: length, type, data, and the CRC-32 of type and data.
void PutChunk(std::vector<unsigned char>& out, const char* type,
              const std::vector<unsigned char>& data) {
  PutWord(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutWord(out, static_cast<uint32_t>(
                   crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// The window's pixels as rows of RGB, top row first, each row led by filter byte 0.
bool ReadPixels(HWND window, int& width, int& height, std::vector<unsigned char>& rows) {
  RECT frame{};
  if (!GetWindowRect(window, &frame)) return false;
  width = frame.right - frame.left;
  height = frame.bottom - frame.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  bool copied = BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY) != 0;
  SelectObject(memory, previous);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<unsigned char> bgrx(static_cast<size_t>(width) * height * 4);
  copied =
      copied && GetDIBits(memory, bitmap, 0, height, bgrx.data(), &info, DIB_RGB_COLORS) == height;
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!copied) return false;
  rows.clear();
  for (int y = 0; y < height; ++y) {
    rows.push_back(0);
    for (int x = 0; x < width; ++x) {
      const unsigned char* pixel = &bgrx[(static_cast<size_t>(y) * width + x) * 4];
      rows.insert(rows.end(), {pixel[2], pixel[1], pixel[0]});
    }
  }
  return true;
}

}  // namespace

bool SaveWindowPng(HWND window, const std::string& path) {
  int width = 0, height = 0;
  std::vector<unsigned char> rows;
  if (!ReadPixels(window, width, height, rows)) return false;
  std::vector<unsigned char> packed(compressBound(static_cast<uLong>(rows.size())));
  uLongf packed_size = static_cast<uLongf>(packed.size());
  if (compress(packed.data(), &packed_size, rows.data(), static_cast<uLong>(rows.size())) != Z_OK) {
    return false;
  }
  packed.resize(packed_size);
  std::vector<unsigned char> header;
  PutWord(header, static_cast<uint32_t>(width));
  PutWord(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", {});
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = fwrite(png.data(), 1, png.size(), file) == png.size();
  return fclose(file) == 0 && written;
}

}  // namespace windows_test
