// The Device Details page, loaded by name and driven as Device Manager's property sheet drives
// it: the provider, the page's dialog, its registry options and the configuration tool launcher.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "compat/win32/dialog_model.h"
#include "compat/win32/windows.h"
#include "os/driver.h"
#include "sim/default_machine.h"
#include "sim/embedded.h"

namespace fs = std::filesystem;

namespace {

using EnumPropPagesFn = BOOL(WINAPI*)(PSP_PROPSHEETPAGE_REQUEST, LPFNADDPROPSHEETPAGE, LPARAM);

constexpr const char* kPageKey =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane Technology\\DevicePropertyPage\\crvnTdevpp]\n";
constexpr const char* kSdkKey =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane Technology\\Corvane Tarrow SDK]\n";
constexpr const char* kSystemKey =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane Technology\\Corvane System Software]\n";
constexpr const char* kBoardLocation = "PCI Slot 4 (Bus 2)";

BOOL CALLBACK AcceptPage(HPROPSHEETPAGE page, LPARAM parameter) {
  *reinterpret_cast<HPROPSHEETPAGE*>(parameter) = page;
  return TRUE;
}

// Refuses the page, after putting itself between the property sheet and the page callback to
// see what the release does to the page record.
struct ReleaseWatch {
  LPFNPSPCALLBACKA page_callback = nullptr;
  int releases = 0;
  LPARAM record_before = 0;
  LPARAM record_after = 0;
};
ReleaseWatch* release_watch = nullptr;

UINT CALLBACK WatchingCallback(HWND window, UINT message, LPPROPSHEETPAGEA description) {
  if (message == PSPCB_RELEASE) {
    ++release_watch->releases;
    release_watch->record_before = description->lParam;
  }
  UINT result = release_watch->page_callback(window, message, description);
  if (message == PSPCB_RELEASE) release_watch->record_after = description->lParam;
  return result;
}

BOOL CALLBACK RefusePage(HPROPSHEETPAGE page, LPARAM) {
  release_watch->page_callback = page->description.pfnCallback;
  page->description.pfnCallback = WatchingCallback;
  return FALSE;
}

class PageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/proppage_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    setenv("CRVN_REGISTRY", (dir_ / "registry.reg").c_str(), 1);
    WriteRegistry("");
    provider_ = LoadLibraryA(PROVIDER_LIBRARY);
    ASSERT_NE(provider_, nullptr);
    enum_pages_ = reinterpret_cast<EnumPropPagesFn>(
        reinterpret_cast<void*>(GetProcAddress(provider_, "EnumPropPages")));
    ASSERT_NE(enum_pages_, nullptr);
    devices_ = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    // The boards present: module 2 and module 0x1A, named by their locations.
    sim::ReplaceEmbeddedMachine(std::make_unique<sim::Machine>());
    os::SetDriverForTesting(os::MakeEmbeddedTransport());
    sim::MakeBoard(sim::EmbeddedMachine().AddModule(2), kBoardLocation, 4, 0);
    sim::MakeBoard(sim::EmbeddedMachine().AddModule(0x1A), "PCI Slot 5 (Bus 2)", 4, 4);
  }

  // How often the page asked the driver about modules.
  uint64_t ModuleQueries() { return sim::EmbeddedMachine().RequestCount(VTX_DRV_MODULE_INFO); }

  void TearDown() override {
    if (page_) ClosePage();
    SetupDiDestroyDeviceInfoList(devices_);
    if (provider_) FreeLibrary(provider_);
    unsetenv("CRVN_REGISTRY");
    fs::remove_all(dir_);
    os::SetDriverForTesting(nullptr);
    sim::ReplaceEmbeddedMachine(nullptr);
  }

  void WriteRegistry(const std::string& body) {
    std::ofstream(dir_ / "registry.reg") << "REGEDIT4\n\n" << body;
  }

  void AddDevice(const char* description, const char* friendly_name, const char* location) {
    device_.cbSize = sizeof device_;
    ASSERT_TRUE(SetupDiCreateDeviceInfoA(devices_, "PCI\\VEN_1234", nullptr, description, nullptr,
                                         DICD_GENERATE_ID, &device_));
    SetProperty(SPDRP_FRIENDLYNAME, friendly_name);
    SetProperty(SPDRP_LOCATION_INFORMATION, location);
  }

  void SetProperty(DWORD property, const char* text) {
    if (!text) return;
    ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyA(devices_, &device_, property,
                                                  reinterpret_cast<const BYTE*>(text),
                                                  static_cast<DWORD>(strlen(text) + 1)));
  }

  SP_PROPSHEETPAGE_REQUEST Request() {
    return SP_PROPSHEETPAGE_REQUEST{sizeof(SP_PROPSHEETPAGE_REQUEST),
                                    SPPSR_ENUM_ADV_DEVICE_PROPERTIES, devices_, &device_};
  }

  // Adds the page, builds its dialog and sends WM_INITDIALOG; the dialog procedure's answer.
  INT_PTR OpenPage() {
    SP_PROPSHEETPAGE_REQUEST request = Request();
    EXPECT_TRUE(enum_pages_(&request, AcceptPage, reinterpret_cast<LPARAM>(&page_)));
    dialog_ = win32compat::CreatePageDialog(page_);
    EXPECT_NE(dialog_, nullptr);
    return win32compat::InitPageDialog(dialog_);
  }

  void ClosePage() {
    win32compat::DestroyPageDialog(dialog_);
    dialog_ = nullptr;
    DestroyPropertySheetPage(page_);
    page_ = nullptr;
  }

  HWND Control(int id) { return GetDlgItem(dialog_, id); }
  std::string Text(int id) { return Control(id)->text; }

  INT_PTR PressConfigure() {
    return SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(1021, BN_CLICKED),
                        reinterpret_cast<LPARAM>(Control(1021)));
  }

  // The one message box the page showed.
  HWND__::MessageBoxRecord OnlyMessageBox() {
    EXPECT_EQ(dialog_->message_boxes.size(), 1u);
    return dialog_->message_boxes.empty() ? HWND__::MessageBoxRecord{} : dialog_->message_boxes[0];
  }

  fs::path dir_;
  HMODULE provider_ = nullptr;
  EnumPropPagesFn enum_pages_ = nullptr;
  HDEVINFO devices_ = nullptr;
  SP_DEVINFO_DATA device_{};
  HPROPSHEETPAGE page_ = nullptr;
  HWND dialog_ = nullptr;
};

// The page's template: its frame, and the controls the page works with by their ids (where each
// sits is the resource's own business, restated nowhere else).
TEST_F(PageTest, TemplateHoldsThePagesControls) {
  const win32compat::DialogTemplate* tmpl = win32compat::FindDialogTemplate(
      reinterpret_cast<HINSTANCE>(provider_), MAKEINTRESOURCEA(109));
  ASSERT_NE(tmpl, nullptr);
  EXPECT_EQ(tmpl->style, 0x80C800C0u);
  EXPECT_STREQ(tmpl->caption, "Device Details");
  EXPECT_STREQ(tmpl->font_face, "MS Sans Serif");
  EXPECT_EQ(tmpl->font_points, 8);
  std::vector<std::string> items;
  for (size_t i = 0; i < tmpl->item_count; ++i) {
    const win32compat::DialogItemTemplate& item = tmpl->items[i];
    items.push_back(std::string(item.class_name) + " " + std::to_string(item.id) + " " +
                    (item.text ? item.text : "bitmap " + std::to_string(item.bitmap)));
  }
  EXPECT_EQ(items,
            (std::vector<std::string>{
                "static 1001 Corvane Hardware Name", "static -1 bitmap 110",
                "static -1 Feature Information", "button 1021 Configure",
                "static 1022 Click on Configure to launch the Configuration Tool.", "edit 1023 "}));
}

TEST_F(PageTest, ProviderDescribesOnePageAndAnswersTrueEvenWhenRefused) {
  AddDevice("Tarrow PCI Board", nullptr, kBoardLocation);
  SP_PROPSHEETPAGE_REQUEST request = Request();
  ASSERT_TRUE(enum_pages_(&request, AcceptPage, reinterpret_cast<LPARAM>(&page_)));
  ASSERT_NE(page_, nullptr);
  const PROPSHEETPAGEA& description = page_->description;
  EXPECT_EQ(description.dwSize, sizeof(PROPSHEETPAGEA));
  EXPECT_EQ(description.dwFlags, static_cast<DWORD>(PSP_USECALLBACK));
  EXPECT_EQ(description.hInstance, reinterpret_cast<HINSTANCE>(provider_));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(description.pszTemplate), 109u);
  EXPECT_NE(description.pfnDlgProc, nullptr);
  EXPECT_NE(description.pfnCallback, nullptr);
  EXPECT_NE(description.lParam, 0);
  EXPECT_EQ(description.pszTitle, nullptr);
  EXPECT_EQ(description.pszHeaderTitle, nullptr);

  // Refused: the page is destroyed, and its release frees the record.
  ReleaseWatch watch;
  release_watch = &watch;
  EXPECT_TRUE(enum_pages_(&request, RefusePage, 0));
  release_watch = nullptr;
  EXPECT_EQ(watch.releases, 1);
  EXPECT_NE(watch.record_before, 0);
  EXPECT_EQ(watch.record_after, 0);
}

TEST_F(PageTest, TitleNamesTheDeviceAndItsModule) {
  struct Case {
    const char* description;
    const char* friendly_name;
    const char* location;
    const char* title;
  };
  const Case cases[] = {
      {"Tarrow PCI Board", "Fax board in slot 4", kBoardLocation,
       "Fax board in slot 4 - Module 0x2"},
      {"Tarrow PCI Board", nullptr, "PCI Slot 5 (Bus 2)", "Tarrow PCI Board - Module 0x1A"},
      {nullptr, nullptr, kBoardLocation, "Corvane Board - Module 0x2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    AddDevice(c.description, c.friendly_name, c.location);
    EXPECT_EQ(OpenPage(), TRUE);
    EXPECT_EQ(Text(1001), c.title);
    ClosePage();
  }
}

TEST_F(PageTest, UnknownOrMissingLocationLeavesTheTemplateAsItIs) {
  for (const char* location : {"PCI Slot 9 (Bus 7)", static_cast<const char*>(nullptr)}) {
    SCOPED_TRACE(location ? location : "no location");
    uint64_t queries = ModuleQueries();
    AddDevice("Tarrow PCI Board", "Fax board", location);
    EXPECT_EQ(OpenPage(), FALSE);
    EXPECT_EQ(ModuleQueries() - queries, location ? 125u : 0u) << "modules 2 to 126 are asked";
    EXPECT_EQ(Text(1001), "Corvane Hardware Name");
    EXPECT_EQ(Text(1023), "");
    EXPECT_FALSE(Control(1023)->has_font);
    EXPECT_TRUE(Control(1021)->visible);
    EXPECT_TRUE(Control(1022)->visible);
    ClosePage();
  }
}

TEST_F(PageTest, FeatureBoxGetsACopyOfTheStockFixedPitchFont) {
  AddDevice("Tarrow PCI Board", nullptr, kBoardLocation);
  ASSERT_EQ(OpenPage(), TRUE);
  HWND box = Control(1023);
  ASSERT_TRUE(box->has_font);
  EXPECT_EQ(box->font.lfPitchAndFamily & 0x3, FIXED_PITCH);
  LOGFONTA stock{};
  ASSERT_EQ(GetObjectA(GetStockObject(ANSI_FIXED_FONT), sizeof stock, &stock), 60);
  EXPECT_EQ(memcmp(&box->font, &stock, sizeof stock), 0);
  // Until the feature query exists, no line opens and the box stays empty.
  EXPECT_EQ(Text(1023), "");
  EXPECT_FALSE(Control(1001)->has_font);
}

TEST_F(PageTest, OnlyADwordZeroHidesTheConfigureButton) {
  struct Case {
    const char* registry;
    bool shown;
  };
  const std::string key = kPageKey;
  const Case cases[] = {
      {"\"LaunchConfigToolOption\"=dword:00000000\n", false},
      {"\"LaunchConfigToolOption\"=dword:00000001\n", true},
      {"\"LaunchConfigToolOption\"=\"0\"\n", true},
      {"\"ConfigToolName\"=\"DEFAULT\"\n", true},
  };
  AddDevice("Tarrow PCI Board", nullptr, kBoardLocation);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.registry);
    WriteRegistry(key + c.registry);
    ASSERT_EQ(OpenPage(), TRUE);
    EXPECT_EQ(Control(1021)->visible, c.shown);
    EXPECT_EQ(Control(1022)->visible, c.shown);
    ClosePage();
  }
  WriteRegistry("");  // no key at all
  ASSERT_EQ(OpenPage(), TRUE);
  EXPECT_TRUE(Control(1021)->visible);
  EXPECT_TRUE(Control(1022)->visible);
}

// The launcher's failures, each a message box owned by the page.
TEST_F(PageTest, LauncherExplainsWhyTheToolDidNotStart) {
  struct Case {
    std::string registry;
    std::string message;
    UINT icon;
  };
  const std::string page = kPageKey, sdk = kSdkKey, system = kSystemKey;
  const std::string not_started = "GetLastError = 2\nFailed to launch configuration tool. \nPath: ";
  const Case cases[] = {
      {"", not_started + "0\\0", MB_ICONERROR},
      {page, "Failed to launch configuration tool\nReason: Corvane Software not installed\n",
       MB_ICONERROR},
      {page + system + "\"Other\"=\"x\"\n",
       "Cannot launch configuration tool\nReason: Configuration tool is not installed.\n",
       MB_ICONINFORMATION},
      {page + "\"ConfigToolName\"=\"default\"\n\"ConfigToolLocation\"=\"/no/such/dir\\\\\"\n",
       not_started + "/no/such/dir\\configtool.exe", MB_ICONERROR},
      {page + "\"ConfigToolLocation\"=\"/no/such/dir/\"\n",
       not_started + "/no/such/dir/configtool.exe", MB_ICONERROR},
      {page + "\"ConfigToolName\"=\"ct.exe\"\n\"ConfigToolLocation\"=\"/no/such/dir\"\n",
       not_started + "/no/such/dir\\ct.exe", MB_ICONERROR},
      // The development kit's key comes first, and in it the runtime's folder.
      {page + "\"ConfigToolLocation\"=\"Default\"\n" + sdk +
           "\"SDKConfigtoolPath\"=\"/sdk\"\n\"RuntimeConfigtoolPath\"=\"/runtime\"\n" + system +
           "\"SDKConfigtoolPath\"=\"/system\"\n",
       not_started + "/runtime\\configtool.exe", MB_ICONERROR},
      {page + sdk + "\"SDKConfigtoolPath\"=\"/sdk\"\n" + system +
           "\"RuntimeConfigtoolPath\"=\"/system\"\n",
       not_started + "/sdk\\configtool.exe", MB_ICONERROR},
  };
  AddDevice("Tarrow PCI Board", nullptr, kBoardLocation);
  ASSERT_EQ(OpenPage(), TRUE);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.registry);
    WriteRegistry(c.registry);
    dialog_->message_boxes.clear();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(PressConfigure(), TRUE);
    const std::string err = ::testing::internal::GetCapturedStderr();
    HWND__::MessageBoxRecord box = OnlyMessageBox();
    EXPECT_EQ(box.text, c.message);
    EXPECT_EQ(box.caption, "Nimbrel Property Page");
    EXPECT_EQ(box.type, c.icon);
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
  }
  // Commands of other controls are not the page's.
  EXPECT_EQ(SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(1022, BN_CLICKED), 0), FALSE);
}

class LaunchTest : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    tools_ = dir_ / "tools";
    fs::create_directory(tools_);
    fs::create_symlink(RECORD_ARGS_TOOL, tools_ / "configtool.exe");
    record_ = dir_ / "record.txt";
    setenv("RECORD_ARGS_FILE", record_.c_str(), 1);
    AddDevice("Tarrow PCI Board", nullptr, kBoardLocation);
    ASSERT_EQ(OpenPage(), TRUE);
  }
  void TearDown() override {
    unsetenv("RECORD_ARGS_FILE");
    PageTest::TearDown();
  }

  // What the started tool recorded; waits for it with a generous limit.
  std::string Record() {
    for (int i = 0; i < 2000 && !fs::exists(record_); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::stringstream text;
    text << std::ifstream(record_).rdbuf();
    fs::remove(record_);
    return text.str();
  }

  fs::path tools_, record_;
};

TEST_F(LaunchTest, ToolStartsDetachedWithItsNameAsTheWholeCommandLine) {
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  const std::string expected =
      std::string("argc=1\nargv=configtool.exe\ncwd=") + cwd + "\nsession_leader=1\nextra_fds=0\n";
  const std::string page = kPageKey;
  for (const std::string& folder : {tools_.string(), tools_.string() + "/"}) {
    SCOPED_TRACE(folder);
    WriteRegistry(page + "\"ConfigToolName\"=\"DEFAULT\"\n\"ConfigToolLocation\"=\"" + folder +
                  "\"\n");
    EXPECT_EQ(PressConfigure(), TRUE);
    EXPECT_EQ(Record(), expected);
  }
  // No location of its own: the system software's development-kit folder.
  WriteRegistry(page + kSystemKey + "\"SDKConfigtoolPath\"=\"" + tools_.string() + "\"\n");
  EXPECT_EQ(PressConfigure(), TRUE);
  EXPECT_EQ(Record(), expected);
  EXPECT_TRUE(dialog_->message_boxes.empty());
}

// A program planted where a relative path would find it (the path of a launcher that the
// registry names nothing for, an empty or a relative folder) is never started.
TEST_F(LaunchTest, NoFolderOrARelativeOneStartsNothingFoundByAccident) {
  const fs::path planted = dir_ / "current";
  fs::create_directories(planted / "0");
  for (const char* name : {"0/0", "0\\0", "configtool.exe", "\\configtool.exe"}) {
    fs::create_symlink(RECORD_ARGS_TOOL, planted / name);
  }
  const fs::path before = fs::current_path();
  fs::current_path(planted);
  const std::string page = kPageKey;
  const std::string not_started = "GetLastError = 2\nFailed to launch configuration tool. \nPath: ";
  const std::pair<std::string, std::string> cases[] = {
      {"", "0\\0"},
      {page + "\"ConfigToolLocation\"=\"\"\n", "\\configtool.exe"},
      {page + "\"ConfigToolLocation\"=\".\"\n", ".\\configtool.exe"},
  };
  for (const auto& [registry, path] : cases) {
    SCOPED_TRACE(registry);
    WriteRegistry(registry);
    dialog_->message_boxes.clear();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(PressConfigure(), TRUE);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(OnlyMessageBox().text, not_started + path);
  }
  fs::current_path(before);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(fs::exists(record_)) << "a planted program ran";
}

}  // namespace
