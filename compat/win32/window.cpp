// Windows of the dialog model: the messages a page sends to its controls, and message boxes.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "compat/win32/dialog_model.h"
#include "compat/win32/gdi_object.h"

namespace {

// What a window does with a message its dialog procedure did not handle.
LRESULT DefaultHandling(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SETTEXT:
      window->text = lparam ? reinterpret_cast<const char*>(lparam) : "";
      return TRUE;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(lparam);
      if (!buffer || wparam == 0) return 0;
      size_t length = std::min<size_t>(window->text.size(), wparam - 1);
      std::memcpy(buffer, window->text.data(), length);
      buffer[length] = '\0';
      return static_cast<LRESULT>(length);
    }
    case WM_SETFONT: {
      const auto* font = reinterpret_cast<const HGDIOBJ__*>(wparam);
      window->has_font = font != nullptr;
      window->font = font ? font->font : LOGFONTA{};
      return 0;
    }
    default:
      return 0;
  }
}

}  // namespace

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  if (!dialog) return nullptr;
  for (const auto& child : dialog->children) {
    if (child->id == id) return child.get();
  }
  return nullptr;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!window) return 0;
  if (window->dialog_proc) {
    INT_PTR handled = window->dialog_proc(window, message, wparam, lparam);
    if (handled || message == WM_INITDIALOG || message == WM_COMMAND) return handled;
  }
  return DefaultHandling(window, message, wparam, lparam);
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wparam,
                                   LPARAM lparam) {
  return SendMessageA(GetDlgItem(dialog, id), message, wparam, lparam);
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return FALSE;
  SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  return TRUE;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
  if (!window) return FALSE;
  const bool was_visible = window->visible;
  window->visible = command != SW_HIDE;
  return was_visible;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  const char* body = text ? text : "";
  const char* title = caption ? caption : "Error";
  const size_t length = std::strlen(body);
  std::fprintf(stderr, "%s: %s%s", title, body, length && body[length - 1] == '\n' ? "" : "\n");
  std::fflush(stderr);
  if (owner) owner->message_boxes.push_back({body, title, type});
  return IDOK;
}
