// The property sheet's model of a page's dialog, for hosts that are not Windows: the dialog
// built from the page's template, and what the page did to its controls (texts, visibility,
// fonts, message boxes it owns). Hosts draw it; tests inspect it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "compat/win32/windows.h"

namespace win32compat {

// One control of a dialog template, as a resource script lists it.
struct DialogItemTemplate {
  const char* class_name;  // "static", "button", "edit"
  int id;                  // -1 for controls that the code never addresses
  const char* text;        // null when the control shows a bitmap resource
  int bitmap;              // the bitmap resource shown, when text is null
  short x, y, cx, cy;      // dialog units
  DWORD style;
  DWORD ex_style;
};

// A dialog template resource.
struct DialogTemplate {
  int resource_id;
  DWORD style;
  DWORD ex_style;
  short x, y, cx, cy;
  const char* caption;
  const char* font_face;
  int font_points;
  const DialogItemTemplate* items;
  size_t item_count;
};

// The resources of a module: the module defines this table as `win32compat_resources`.
struct ResourceTable {
  const DialogTemplate* dialogs;
  size_t dialog_count;
};

// A dialog template of `module` (null: the program and the libraries loaded with it).
const DialogTemplate* FindDialogTemplate(HINSTANCE module, LPCSTR name);

}  // namespace win32compat

// A window: a dialog or one of its controls.
struct HWND__ {
  struct MessageBoxRecord {
    std::string text;
    std::string caption;
    UINT type;
  };

  std::string class_name;  // "#32770" for a dialog
  std::string text;
  int id = 0;
  int bitmap = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD style = 0;
  DWORD ex_style = 0;
  bool visible = false;
  bool has_font = false;
  LOGFONTA font{};  // the font set with WM_SETFONT, copied
  HWND__* parent = nullptr;
  std::vector<std::unique_ptr<HWND__>> children;
  // Dialogs only.
  DLGPROC dialog_proc = nullptr;
  const PROPSHEETPAGEA* page = nullptr;
  std::string font_face;
  int font_points = 0;
  std::vector<MessageBoxRecord> message_boxes;  // shown with this window as owner
};

// A page as the property sheet keeps it: its description as the provider gave it.
struct _PSP {
  PROPSHEETPAGEA description;
};

namespace win32compat {

// What the property sheet does with a page: creates its dialog from the page's template (after
// asking the page callback with PSPCB_CREATE), null when the template is missing or the callback
// refuses; sends WM_INITDIALOG with the page description and returns the dialog procedure's
// answer; destroys the dialog.
HWND CreatePageDialog(HPROPSHEETPAGE page);
INT_PTR InitPageDialog(HWND dialog);
void DestroyPageDialog(HWND dialog);

}  // namespace win32compat
