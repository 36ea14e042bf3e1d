// The configuration tool launcher behind the page's "Configure" button.
#pragma once

#include "compat/win32/windows.h"

namespace proppage {

// The page's own key under HKEY_LOCAL_MACHINE.
constexpr const char* kPageKey = "SOFTWARE\\Corvane Technology\\DevicePropertyPage\\crvnTdevpp";

// Starts the configuration tool that the registry names, detached; 1 when it started, else 0
// after a message box owned by `owner` that says why.
int LaunchConfigTool(HWND owner);

}  // namespace proppage
