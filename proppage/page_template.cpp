// The page template, dialog resource 109, as the module's resources hold it.
#include "compat/win32/dialog_model.h"
#include "proppage/resource.h"

namespace {

constexpr DWORD kStaticText = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;

const win32compat::DialogItemTemplate kDeviceDetailsItems[] = {
    {"static", IDC_HARDWARE_NAME, "Corvane Hardware Name", 0, 46, 17, 196, 8, kStaticText, 0},
    {"static", -1, nullptr, IDB_BOARD, 10, 10, 31, 24, WS_CHILD | WS_VISIBLE | SS_BITMAP, 0},
    {"static", -1, "Feature Information", 0, 45, 36, 90, 9, kStaticText, 0},
    {"button", IDC_CONFIGURE, "Configure", 0, 200, 186, 50, 14,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0},
    {"static", IDC_CONFIGURE_HINT, "Click on Configure to launch the Configuration Tool.", 0, 41,
     170, 204, 11, kStaticText, 0},
    {"edit", IDC_FEATURE_BOX, "", 0, 40, 51, 195, 106,
     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL |
         ES_READONLY,
     0},
};

const win32compat::DialogTemplate kDialogs[] = {
    {IDD_DEVICE_DETAILS,
     static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT), 0, 0, 0,
     258, 207, "Device Details", "MS Sans Serif", 8, kDeviceDetailsItems,
     sizeof kDeviceDetailsItems / sizeof kDeviceDetailsItems[0]},
};

}  // namespace

extern "C" const win32compat::ResourceTable win32compat_resources = {
    kDialogs, sizeof kDialogs / sizeof kDialogs[0]};
