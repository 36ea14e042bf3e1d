// The Win32 layer's own behaviour: the registry file and the registry functions over it, device
// information sets, process start failures and message boxes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "compat/win32/dialog_model.h"
#include "compat/win32/reg_file.h"
#include "compat/win32/windows.h"

namespace {

using win32compat::RegistryFile;
using Bytes = std::vector<uint8_t>;

const win32compat::RegValue* Value(const RegistryFile& file, const char* key, const char* name) {
  const RegistryFile::Values* values = file.FindValues(key);
  if (!values) return nullptr;
  auto found = values->find(win32compat::FoldCase(name));
  return found == values->end() ? nullptr : &found->second;
}

TEST(RegFile, ValuesKeepTheirTypes) {
  RegistryFile file;
  ASSERT_TRUE(
      file.Parse("\xEF\xBB\xBFREGEDIT4\r\n\r\n"
                 "; a comment\n"
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane\\Page]\r\n"
                 "\"Option\"=dword:0000002A\n"
                 "\"Text\"=\"C:\\\\Tools\\\\ \\\"x\\\"\"\n"
                 "\"Raw\"=hex:01,ff,\\\n"
                 "    7\n"
                 "\"Expand\"=hex(2):41,00\n"
                 "@=\"default\"\n"
                 "\"Gone\"=\"x\"\n"
                 "\"Gone\"=-\n"));
  const char* key = "hkey_local_machine\\software\\CORVANE\\page";
  EXPECT_EQ(Value(file, key, "option")->type, 4u);
  EXPECT_EQ(Value(file, key, "option")->data, (Bytes{0x2A, 0, 0, 0}));
  EXPECT_EQ(Value(file, key, "Text")->type, 1u);
  const std::string text = "C:\\Tools\\ \"x\"";
  Bytes text_bytes(text.begin(), text.end());
  text_bytes.push_back(0);
  EXPECT_EQ(Value(file, key, "Text")->data, text_bytes);
  EXPECT_EQ(Value(file, key, "Raw")->type, 3u);
  EXPECT_EQ(Value(file, key, "Raw")->data, (Bytes{0x01, 0xFF, 0x07}));
  EXPECT_EQ(Value(file, key, "Expand")->type, 2u);
  EXPECT_EQ(Value(file, key, "")->data, (Bytes{'d', 'e', 'f', 'a', 'u', 'l', 't', 0}));
  EXPECT_EQ(Value(file, key, "Gone"), nullptr);
  EXPECT_TRUE(file.HasKey("HKEY_LOCAL_MACHINE\\SOFTWARE"));
  EXPECT_FALSE(file.HasKey("HKEY_LOCAL_MACHINE\\SOFT"));
}

TEST(RegFile, DamagedLinesAreSkippedAndRemovedKeysGo) {
  RegistryFile file;
  ASSERT_TRUE(
      file.Parse("REGEDIT4\n"
                 "\"Orphan\"=\"no key yet\"\n"
                 "[HKEY_LOCAL_MACHINE\\A]\n"
                 "\"Long\"=dword:123456789\n"
                 "\"Bad\"=dword:12g4\n"
                 "\"Open\"=\"unterminated\n"
                 "\"Trail\"=\"x\" y\n"
                 "\"Byte\"=hex:100\n"
                 "\"Type\"=hex(123456789):00\n"
                 "\"Kept\"=dword:1\n"
                 "[HKEY_LOCAL_MACHINE\\A\\B]\n"
                 "[HKEY_LOCAL_MACHINE\\A C]\n"
                 "[-HKEY_LOCAL_MACHINE\\A]\n"
                 "[HKEY_LOCAL_MACHINE\\Z\n"
                 "\"Lost\"=dword:1\n"));
  EXPECT_FALSE(file.HasKey("HKEY_LOCAL_MACHINE\\A"));
  EXPECT_FALSE(file.HasKey("HKEY_LOCAL_MACHINE\\A\\B"));
  EXPECT_TRUE(file.HasKey("HKEY_LOCAL_MACHINE\\A C"));
  EXPECT_FALSE(file.HasKey("HKEY_LOCAL_MACHINE\\Z"));
  EXPECT_EQ(file.KeyCount(), 1u);

  RegistryFile kept;
  ASSERT_TRUE(
      kept.Parse("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"Long\"=dword:123456789\n"
                 "\"Byte\"=hex:100\n\"Kept\"=dword:1\n"));
  ASSERT_NE(kept.FindValues("HKEY_LOCAL_MACHINE\\A"), nullptr);
  EXPECT_EQ(kept.FindValues("HKEY_LOCAL_MACHINE\\A")->size(), 1u);

  RegistryFile other_format;
  EXPECT_FALSE(other_format.Parse("Windows Registry Editor Version 5.00\n[HKEY_USERS\\X]\n"));
  EXPECT_EQ(other_format.KeyCount(), 0u);
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("compat_registry_" + std::to_string(getpid()) + ".reg");
    setenv("CRVN_REGISTRY", path_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("CRVN_REGISTRY");
    std::filesystem::remove(path_);
  }
  std::filesystem::path path_;
};

TEST_F(RegistryTest, KeysOpenFromTheFileAndValuesReportTheirSize) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_ALL_ACCESS, &key),
            ERROR_FILE_NOT_FOUND);  // no file
  std::ofstream(path_) << "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvane]\n"
                          "\"Name\"=\"tool.exe\"\n\"Option\"=dword:00000001\n";
  HKEY parent = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software", 0, KEY_ALL_ACCESS, &parent),
            ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExA(parent, "Corvane", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  RegCloseKey(parent);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE", 0, KEY_ALL_ACCESS, &parent),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(parent, nullptr);

  DWORD type = 0, size = 4;
  char small[4];
  EXPECT_EQ(RegQueryValueExA(key, "name", nullptr, &type, reinterpret_cast<LPBYTE>(small), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 9u);
  char text[16] = {};
  size = sizeof text;
  EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, reinterpret_cast<LPBYTE>(text), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(text, "tool.exe");
  DWORD option = 0;
  size = sizeof option;
  EXPECT_EQ(
      RegQueryValueExA(key, "Option", nullptr, &type, reinterpret_cast<LPBYTE>(&option), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(option, 1u);
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, nullptr),
            ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST(DeviceInfo, PropertiesComeBackOnlyWhenTheyFit) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  ASSERT_TRUE(SetupDiCreateDeviceInfoA(set, "X", nullptr, "Tarrow Board", nullptr, 0, &device));
  char buffer[32];
  DWORD type = 0, required = 0;
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_FRIENDLYNAME, &type,
                                                 reinterpret_cast<PBYTE>(buffer), sizeof buffer,
                                                 &required));
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_DEVICEDESC, &type,
                                                 reinterpret_cast<PBYTE>(buffer), 5, &required));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(required, 13u);
  ASSERT_TRUE(SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_DEVICEDESC, &type,
                                                reinterpret_cast<PBYTE>(buffer), sizeof buffer,
                                                nullptr));
  EXPECT_STREQ(buffer, "Tarrow Board");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  SP_DEVINFO_DATA stranger = device;
  stranger.DevInst = 7;
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(set, &stranger, SPDRP_DEVICEDESC, &type,
                                                 reinterpret_cast<PBYTE>(buffer), sizeof buffer,
                                                 nullptr));
  SetupDiDestroyDeviceInfoList(set);
}

TEST(Process, StartFailuresBecomeWindowsErrors) {
  STARTUPINFOA startup{};
  GetStartupInfoA(&startup);
  EXPECT_EQ(startup.cb, sizeof startup);
  PROCESS_INFORMATION process{};
  char name[] = "tool.exe";
  EXPECT_FALSE(CreateProcessA("/no/such\\tool.exe", name, nullptr, nullptr, FALSE, DETACHED_PROCESS,
                              nullptr, nullptr, &startup, &process));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // A file that is not executable.
  const auto plain =
      std::filesystem::temp_directory_path() / ("compat_plain_" + std::to_string(getpid()));
  std::ofstream(plain) << "not a program\n";
  EXPECT_FALSE(CreateProcessA(plain.c_str(), name, nullptr, nullptr, FALSE, DETACHED_PROCESS,
                              nullptr, nullptr, &startup, &process));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  // A program that exists, in a directory that does not.
  EXPECT_FALSE(CreateProcessA("/bin/true", name, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                              "/no/such/dir", &startup, &process));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  std::filesystem::remove(plain);
  EXPECT_EQ(process.hProcess, nullptr);
}

TEST(MessageBox, GoesToStandardErrorAndToItsOwner) {
  HWND__ owner;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(MessageBoxA(&owner, "Line one\nLine two", "Title", MB_ICONINFORMATION), IDOK);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Title: Line one\nLine two\n");
  ASSERT_EQ(owner.message_boxes.size(), 1u);
  EXPECT_EQ(owner.message_boxes[0].type, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(lstrcmpiA("DeFault", "DEFAULT"), 0);
  EXPECT_LT(lstrcmpiA("a", "B"), 0);
}

}  // namespace
