// The property page provider: EnumPropPages adds the "Device Details" page for the device that
// Device Manager asks about; the page names the board module behind the device, lists its
// features in a fixed-pitch box and offers the configuration tool.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "api/module_lookup.h"
#include "compat/win32/windows.h"
#include "proppage/feature_listing.h"
#include "proppage/launcher.h"
#include "proppage/resource.h"

namespace {

HINSTANCE module_instance = nullptr;

// What the page knows of its device: copied from the request, owned by the page, freed by the
// page callback on release. The font of the feature box lives as long as the page.
struct PageRecord {
  HDEVINFO device_info_set;
  PSP_DEVINFO_DATA device_info_data;
  HFONT feature_font;
};

constexpr size_t kFeatureTextSize = 8192;

bool DeviceProperty(const PageRecord& page, DWORD property, char* buffer, DWORD size) {
  return SetupDiGetDeviceRegistryPropertyA(page.device_info_set, page.device_info_data, property,
                                           nullptr, reinterpret_cast<PBYTE>(buffer), size,
                                           nullptr) != FALSE;
}

void ShowFeatures(HWND dialog, int module) {
  char* text = static_cast<char*>(std::calloc(kFeatureTextSize, 1));
  if (!text) return;
  proppage::ListFeatures(module, text, kFeatureTextSize);
  SetDlgItemTextA(dialog, IDC_FEATURE_BOX, text);
  std::free(text);
}

// The feature box gets a copy of the stock fixed-pitch font, so that the key column lines up.
void SetFixedFont(HWND dialog, PageRecord& page) {
  LOGFONTA font{};
  GetObjectA(GetStockObject(ANSI_FIXED_FONT), sizeof font, &font);
  HFONT created = CreateFontA(font.lfHeight, font.lfWidth, font.lfEscapement, font.lfOrientation,
                              font.lfWeight, font.lfItalic, font.lfUnderline, font.lfStrikeOut,
                              font.lfCharSet, font.lfOutPrecision, font.lfClipPrecision,
                              font.lfQuality, font.lfPitchAndFamily, font.lfFaceName);
  SendDlgItemMessageA(dialog, IDC_FEATURE_BOX, WM_SETFONT, reinterpret_cast<WPARAM>(created), TRUE);
  if (page.feature_font) DeleteObject(page.feature_font);
  page.feature_font = created;
}

// The registry may hide the "Configure" button: only a DWORD "LaunchConfigToolOption" of 0 does.
bool ConfigureWanted() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, proppage::kPageKey, 0, KEY_ALL_ACCESS, &key) !=
      ERROR_SUCCESS) {
    return true;
  }
  BYTE data[512] = {};
  DWORD type = 0, size = sizeof data, option = 1;
  if (RegQueryValueExA(key, "LaunchConfigToolOption", nullptr, &type, data, &size) ==
          ERROR_SUCCESS &&
      type == REG_DWORD) {
    std::memcpy(&option, data, sizeof option);
  }
  RegCloseKey(key);
  return option != 0;
}

BOOL InitDialog(HWND dialog, PageRecord& page) {
  char name[128];
  if (!DeviceProperty(page, SPDRP_FRIENDLYNAME, name, sizeof name) &&
      !DeviceProperty(page, SPDRP_DEVICEDESC, name, sizeof name)) {
    std::snprintf(name, sizeof name, "%s", "Corvane Board");
  }
  name[sizeof name - 1] = '\0';

  char location[256];
  if (!DeviceProperty(page, SPDRP_LOCATION_INFORMATION, location, sizeof location)) return FALSE;
  location[sizeof location - 1] = '\0';
  const int module = vtx::LookupModule(location);
  if (module < 0) return FALSE;

  char title[256];
  std::snprintf(title, sizeof title, "%s - Module 0x%X", name, static_cast<unsigned>(module));
  SetDlgItemTextA(dialog, IDC_HARDWARE_NAME, title);

  ShowFeatures(dialog, module);
  SetFixedFont(dialog, page);

  const int show = ConfigureWanted() ? SW_SHOW : SW_HIDE;
  ShowWindow(GetDlgItem(dialog, IDC_CONFIGURE), show);
  ShowWindow(GetDlgItem(dialog, IDC_CONFIGURE_HINT), show);
  return TRUE;
}

INT_PTR CALLBACK PageDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* description = reinterpret_cast<const PROPSHEETPAGEA*>(lparam);
      auto* page = description ? reinterpret_cast<PageRecord*>(description->lParam) : nullptr;
      return page ? InitDialog(dialog, *page) : FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) != IDC_CONFIGURE) return FALSE;
      proppage::LaunchConfigTool(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

UINT CALLBACK PageCallback(HWND, UINT message, LPPROPSHEETPAGEA description) {
  if (message == PSPCB_RELEASE && description && description->lParam) {
    auto* page = reinterpret_cast<PageRecord*>(description->lParam);
    if (page->feature_font) DeleteObject(page->feature_font);
    delete page;
    description->lParam = 0;
  }
  return 1;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
  module_instance = instance;
  return TRUE;
}

extern "C" BOOL WINAPI EnumPropPages(PSP_PROPSHEETPAGE_REQUEST request,
                                     LPFNADDPROPSHEETPAGE add_page, LPARAM add_page_parameter) {
  PROPSHEETPAGEA description{};
  // The version-2 size: the system's own description has grown beyond the fields filled here.
  description.dwSize = PROPSHEETPAGEA_V2_SIZE;
  description.dwFlags = PSP_USECALLBACK;
  description.hInstance = module_instance;
  description.pszTemplate = MAKEINTRESOURCEA(IDD_DEVICE_DETAILS);
  description.pfnDlgProc = PageDialogProc;
  description.lParam = reinterpret_cast<LPARAM>(
      new PageRecord{request->DeviceInfoSet, request->DeviceInfoData, nullptr});
  description.pfnCallback = PageCallback;

  HPROPSHEETPAGE page = CreatePropertySheetPageA(&description);
  if (!page) {
    delete reinterpret_cast<PageRecord*>(description.lParam);
    return TRUE;
  }
  if (!add_page(page, add_page_parameter)) DestroyPropertySheetPage(page);
  return TRUE;
}
