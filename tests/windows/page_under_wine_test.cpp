// The Device Details page as Device Manager shows it, on the system's own property sheet: a
// device information set with the board's friendly name and location, the provider loaded by
// name, its EnumPropPages, and PropertySheetA. The page's controls are read back from the
// windows the sheet made, and a picture of the sheet is kept for people to look at.
#include <windows.h>
// clang-format off
#include <commctrl.h>
#include <prsht.h>
#include <setupapi.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "proppage/resource.h"
#include "tests/windows/png_file.h"

namespace {

using EnumPropPagesFn = BOOL(WINAPI*)(PSP_PROPSHEETPAGE_REQUEST, LPFNADDPROPSHEETPAGE, LPARAM);

// The default simulated machine's module 2 is named by this location.
constexpr const char* kLocation = "GANTRY PCI bus 3, device 0, function 0";
constexpr const char* kFriendlyName = "Tarrow Fax Board";
constexpr const char* kPageKey = "SOFTWARE\\Corvane Technology\\DevicePropertyPage\\crvnTdevpp";
// A setup class of its own, so that nothing else of the system's devices is touched.
constexpr GUID kTestClass = {
    0x5f0c7a4e, 0x1d2b, 0x4c3a, {0x9e, 0x11, 0x2a, 0x6b, 0x7c, 0x8d, 0x9e, 0x01}};

BOOL CALLBACK KeepPage(HPROPSHEETPAGE page, LPARAM parameter) {
  *reinterpret_cast<HPROPSHEETPAGE*>(parameter) = page;
  return TRUE;
}

// Lets the sheet and its page handle what is queued: creation, painting, focus.
void Settle() {
  for (int round = 0; round < 20; ++round) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(25);
  }
}

std::string ControlText(HWND page, int id) {
  char text[8192] = {};
  GetDlgItemTextA(page, id, text, sizeof text);
  return text;
}

bool ControlShown(HWND page, int id) {
  return (GetWindowLongA(GetDlgItem(page, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

struct ShownPage {
  std::string title;
  std::string features;
  bool configure_shown = false;
  bool hint_shown = false;
};

class PageUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    _putenv_s("TARROW_DRIVER", "sim");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    provider_ = LoadLibraryA("crvnTdevpp.dll");
    ASSERT_NE(provider_, nullptr) << "LoadLibrary: error " << GetLastError();
    enum_pages_ = reinterpret_cast<EnumPropPagesFn>(
        reinterpret_cast<void*>(GetProcAddress(provider_, "EnumPropPages")));
    ASSERT_NE(enum_pages_, nullptr);
    devices_ = SetupDiCreateDeviceInfoList(&kTestClass, nullptr);
    ASSERT_NE(devices_, INVALID_HANDLE_VALUE);
    device_.cbSize = sizeof device_;
    ASSERT_TRUE(SetupDiCreateDeviceInfoA(devices_, "TARROW", &kTestClass, "Tarrow PCI Board",
                                         nullptr, DICD_GENERATE_ID, &device_))
        << "error " << GetLastError();
    SetProperty(SPDRP_FRIENDLYNAME, kFriendlyName);
    SetProperty(SPDRP_LOCATION_INFORMATION, kLocation);
  }

  void TearDown() override {
    if (devices_ != INVALID_HANDLE_VALUE) {
      SetupDiRemoveDevice(devices_, &device_);
      SetupDiDestroyDeviceInfoList(devices_);
    }
    if (provider_) FreeLibrary(provider_);
  }

  void SetProperty(DWORD property, const char* text) {
    ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyA(devices_, &device_, property,
                                                  reinterpret_cast<const BYTE*>(text),
                                                  static_cast<DWORD>(strlen(text) + 1)))
        << "property " << property << ": error " << GetLastError();
  }

  static void SetLaunchOption(DWORD option) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPageKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "LaunchConfigToolOption", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&option), sizeof option),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  // Opens the device's properties as Device Manager does, reads the page, and saves a picture
  // of the sheet when `picture` names a file; then closes the sheet.
  ShownPage Show(const char* picture) {
    ShownPage shown;
    SP_PROPSHEETPAGE_REQUEST request{sizeof request, SPPSR_ENUM_ADV_DEVICE_PROPERTIES, devices_,
                                     &device_};
    HPROPSHEETPAGE page = nullptr;
    EXPECT_TRUE(enum_pages_(&request, KeepPage, reinterpret_cast<LPARAM>(&page)));
    EXPECT_NE(page, nullptr);
    if (!page) return shown;
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
    header.pszCaption = "Tarrow Fax Board Properties";
    header.nPages = 1;
    header.phpage = &page;
    HWND sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
    EXPECT_NE(sheet, nullptr);
    if (!sheet) return shown;
    Settle();
    HWND dialog = PropSheet_GetCurrentPageHwnd(sheet);
    EXPECT_NE(dialog, nullptr);
    shown.title = ControlText(dialog, IDC_HARDWARE_NAME);
    shown.features = ControlText(dialog, IDC_FEATURE_BOX);
    shown.configure_shown = ControlShown(dialog, IDC_CONFIGURE);
    shown.hint_shown = ControlShown(dialog, IDC_CONFIGURE_HINT);
    if (picture) {
      SetForegroundWindow(sheet);
      RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
      Settle();
      EXPECT_TRUE(windows_test::SaveWindowPng(sheet, picture)) << picture;
    }
    DestroyWindow(sheet);
    Settle();
    return shown;
  }

  HMODULE provider_ = nullptr;
  EnumPropPagesFn enum_pages_ = nullptr;
  HDEVINFO devices_ = INVALID_HANDLE_VALUE;
  SP_DEVINFO_DATA device_{};
};

TEST_F(PageUnderWine, ShowsModuleTwoAndTheConfigureButtonAsTheRegistrySays) {
  SetLaunchOption(1);
  const ShownPage shown = Show("device_details_page.png");
  EXPECT_EQ(shown.title, std::string(kFriendlyName) + " - Module 0x2");
  EXPECT_NE(shown.features.find("Model      : GANTRY-8\r\n"), std::string::npos) << shown.features;
  EXPECT_NE(shown.features.find("Channels   : 8\r\n"), std::string::npos) << shown.features;
  EXPECT_NE(shown.features.find("Fax        : True\r\n"), std::string::npos) << shown.features;
  EXPECT_TRUE(shown.configure_shown);
  EXPECT_TRUE(shown.hint_shown);

  SetLaunchOption(0);
  const ShownPage hidden = Show(nullptr);
  EXPECT_EQ(hidden.title, shown.title);
  EXPECT_FALSE(hidden.configure_shown);
  EXPECT_FALSE(hidden.hint_shown);
}

TEST_F(PageUnderWine, UnknownLocationKeepsTheTemplateTexts) {
  SetProperty(SPDRP_LOCATION_INFORMATION, "PCI Slot 9 (Bus 7)");
  const ShownPage shown = Show(nullptr);
  EXPECT_EQ(shown.title, "Corvane Hardware Name");
  EXPECT_EQ(shown.features, "");
}

}  // namespace
