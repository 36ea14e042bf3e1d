// Pictures of windows saved as PNG files, for people to look at what a test showed.
#pragma once

#include <windows.h>

#include <string>

namespace windows_test {

// Saves what the screen shows of `window` (frame included) as a 24-bit PNG file at `path`.
// False when the window could not be read or the file not written.
bool SaveWindowPng(HWND window, const std::string& path);

}  // namespace windows_test
