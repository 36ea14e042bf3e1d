// How `tarrow details` shows a page: the dialog drawn in the terminal from its dialog units, or
// a JSON object for scripts.
#pragma once

#include <string>

#include "compat/win32/dialog_model.h"
#include "tools/tarrow/output.h"

namespace tarrow {

// What the host knows of one shown page besides the dialog itself.
struct PageFacts {
  std::string location;
  bool has_location = false;
  std::string device_name;  // the name Device Manager shows: friendly name, else description
  bool has_device_name = false;
  bool initialised = false;   // WM_INITDIALOG answered TRUE
  bool pressed = false;       // --press-configure
  bool started = false;       // the configuration tool started
  std::string press_message;  // the message box of a failed launch
};

// The module number of the page's title, -1 when the title names none.
int TitleModule(const std::string& title);
std::string DrawPage(HWND dialog, const PageFacts& facts);
// "module" (null when the page found none), "title", "features" (keys and values), the
// Configure button's visibility and "configure" (null unless it was pressed).
Json PageJson(HWND dialog, const PageFacts& facts);

}  // namespace tarrow
