// `tarrow details`: the Device Details page of each board, as Device Manager shows it. The
// devices come from the machine's modules (or from a device list file), the page from the
// provider crvnTdevpp loaded by name; the page is created, initialised and drawn.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "compat/win32/dialog_model.h"
#include "compat/win32/windows.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/page_view.h"
#include "vtx.h"

namespace tarrow {
namespace {

using EnumPropPagesFn = BOOL(WINAPI*)(PSP_PROPSHEETPAGE_REQUEST, LPFNADDPROPSHEETPAGE, LPARAM);

constexpr int kConfigureButton = 1021;
constexpr const char* kBoardDescription = "Corvane Tarrow Board";

// A device as Device Manager knows it: each property may be missing.
struct Device {
  std::string friendly_name, description, location;
  bool has_friendly_name = false, has_description = false, has_location = false;
};

// The boards of the machine: one device per existing module, located by the module's name.
bool MachineDevices(std::vector<Device>& devices) {
  NoteSimulatedBoard();
  for (uint32_t module = 2; module <= 254; ++module) {
    VtxModuleInfoArgs args{};
    args.mod_num = module;
    VtxModuleInfo(nullptr, &args);
    if (args.status != CV_STATUS_OK) {
      if (module > 2) break;  // past the highest module number of the address mode
      std::cerr << "tarrow details: VtxModuleInfo failed, status " << args.status << " detail "
                << args.line_status << "\n";
      return false;
    }
    if (!args.exists) continue;
    Device device;
    for (uint16_t unit : args.name) {
      if (unit == 0) break;
      device.location.push_back(static_cast<char>(unit & 0xFF));
    }
    device.has_location = true;
    device.description = kBoardDescription;
    device.has_description = true;
    devices.push_back(device);
  }
  return true;
}

// A device list file: devices separated by blank lines, each a few "key = value" lines with the
// keys friendly_name, description and location; a key left out is a property the device lacks.
bool FileDevices(const std::string& path, std::vector<Device>& devices) {
  std::ifstream file(path);
  if (!file) {
    std::cerr << "tarrow details: cannot read " << path << "\n";
    return false;
  }
  Device device;
  bool open = false;
  std::string line;
  int number = 0;
  auto finish = [&] {
    if (open) devices.push_back(device);
    device = Device();
    open = false;
  };
  while (std::getline(file, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) {
      finish();
      continue;
    }
    if (line[line.find_first_not_of(" \t")] == '#') continue;
    const size_t equals = line.find('=');
    auto trim = [](std::string text) {
      const size_t begin = text.find_first_not_of(" \t");
      return begin == std::string::npos
                 ? std::string()
                 : text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
    };
    const std::string key = trim(line.substr(0, equals));
    const std::string value = equals == std::string::npos ? "" : trim(line.substr(equals + 1));
    if (equals == std::string::npos ||
        (key != "friendly_name" && key != "description" && key != "location")) {
      std::cerr << "tarrow details: " << path << ":" << number << ": expected friendly_name, "
                << "description or location = VALUE\n";
      return false;
    }
    std::string& field = key == "friendly_name" ? device.friendly_name
                         : key == "description" ? device.description
                                                : device.location;
    bool& present = key == "friendly_name" ? device.has_friendly_name
                    : key == "description" ? device.has_description
                                           : device.has_location;
    field = value;
    present = true;
    open = true;
  }
  finish();
  return true;
}

// The provider: $TARROW_PROVIDER, else ../lib beside this program, else the library search path.
HMODULE LoadProvider() {
  if (const char* named = std::getenv("TARROW_PROVIDER"); named && *named) {
    return LoadLibraryA(named);
  }
  char self[4096] = {};
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    std::string beside(self, static_cast<size_t>(length));
    beside = beside.substr(0, beside.rfind('/')) + "/../lib/libcrvnTdevpp.so";
    if (access(beside.c_str(), R_OK) == 0) return LoadLibraryA(beside.c_str());
  }
  return LoadLibraryA("crvnTdevpp");
}

BOOL CALLBACK AddPage(HPROPSHEETPAGE page, LPARAM parameter) {
  *reinterpret_cast<HPROPSHEETPAGE*>(parameter) = page;
  return TRUE;
}

void SetProperty(HDEVINFO set, SP_DEVINFO_DATA& data, DWORD property, const std::string& text) {
  SetupDiSetDeviceRegistryPropertyA(set, &data, property,
                                    reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>(text.size() + 1));
}

// Shows one device's page as the property sheet would; false when the provider added none.
// `launch_failed` is set when the button was pressed and the tool did not start.
bool ShowPage(EnumPropPagesFn enum_pages, const Device& device, bool press, bool json,
              std::string& out, bool& launch_failed) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  SetupDiCreateDeviceInfoA(set, "TARROW\\BOARD", nullptr,
                           device.has_description ? device.description.c_str() : nullptr, nullptr,
                           DICD_GENERATE_ID, &data);
  if (device.has_friendly_name) SetProperty(set, data, SPDRP_FRIENDLYNAME, device.friendly_name);
  if (device.has_location) SetProperty(set, data, SPDRP_LOCATION_INFORMATION, device.location);

  SP_PROPSHEETPAGE_REQUEST request{sizeof request, SPPSR_ENUM_ADV_DEVICE_PROPERTIES, set, &data};
  HPROPSHEETPAGE page = nullptr;
  enum_pages(&request, AddPage, reinterpret_cast<LPARAM>(&page));
  HWND dialog = win32compat::CreatePageDialog(page);
  if (dialog) {
    PageFacts facts;
    facts.location = device.location;
    facts.has_location = device.has_location;
    facts.device_name = device.has_friendly_name ? device.friendly_name : device.description;
    facts.has_device_name = device.has_friendly_name || device.has_description;
    facts.initialised = win32compat::InitPageDialog(dialog) != FALSE;
    HWND button = GetDlgItem(dialog, kConfigureButton);
    if (press && button && button->visible) {
      facts.pressed = true;
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kConfigureButton, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
      facts.started = dialog->message_boxes.empty();
      if (!facts.started) facts.press_message = dialog->message_boxes.back().text;
    } else if (press) {
      facts.pressed = true;
      facts.press_message = "the Configure button is hidden";
    }
    launch_failed = facts.pressed && !facts.started;
    out = json ? PageJson(dialog, facts) : DrawPage(dialog, facts);
    win32compat::DestroyPageDialog(dialog);
  }
  if (page) DestroyPropertySheetPage(page);
  SetupDiDestroyDeviceInfoList(set);
  return dialog != nullptr;
}

int RunDetails(const Args& arguments) {
  Args args = arguments;
  const bool json = TakeFlag(args, "--json");
  const bool press = TakeFlag(args, "--press-configure");
  const std::string devices_file = TakeOption(args, "--devices", "");
  const std::string location = TakeOption(args, "--location", "");
  const bool one = !location.empty();
  if (!args.empty() || (press && !one)) {
    std::cerr << "usage: tarrow details [--devices FILE] [--location TEXT [--press-configure]] "
                 "[--json]\n";
    return 2;
  }
  std::vector<Device> devices;
  if (!(devices_file.empty() ? MachineDevices(devices) : FileDevices(devices_file, devices))) {
    return 1;
  }
  if (one) {
    std::vector<Device> chosen;
    for (const Device& device : devices) {
      if (device.has_location && lstrcmpiA(device.location.c_str(), location.c_str()) == 0) {
        chosen.push_back(device);
      }
    }
    if (chosen.empty()) {
      std::cerr << "tarrow details: no device at location \"" << location << "\"\n";
      return 1;
    }
    devices.assign(chosen.begin(), chosen.begin() + 1);
  }

  HMODULE provider = LoadProvider();
  auto enum_pages = provider ? reinterpret_cast<EnumPropPagesFn>(reinterpret_cast<void*>(
                                   GetProcAddress(provider, "EnumPropPages")))
                             : nullptr;
  if (!enum_pages) {
    std::cerr << "tarrow details: cannot load the property page provider crvnTdevpp\n";
    if (provider) FreeLibrary(provider);
    return 1;
  }
  int status = 0;
  std::vector<std::string> shown;
  for (const Device& device : devices) {
    std::string out;
    bool launch_failed = false;
    if (ShowPage(enum_pages, device, press, json, out, launch_failed)) {
      shown.push_back(out);
      if (launch_failed) status = 1;
    } else {
      std::cerr << "tarrow details: the provider added no page\n";
      status = 1;
    }
  }
  FreeLibrary(provider);
  if (json && !one) std::cout << "[";
  for (size_t i = 0; i < shown.size(); ++i) {
    if (json) {
      std::cout << (i && !one ? ",\n " : "") << shown[i];
    } else {
      std::cout << (i ? "\n" : "") << shown[i];
    }
  }
  if (json) std::cout << (one ? "\n" : "]\n");
  return status;
}

}  // namespace

TARROW_COMMAND("details", "[--devices FILE] [--location TEXT [--press-configure]] [--json]",
               "show the Device Details page of each board, as Device Manager does", RunDetails);

}  // namespace tarrow
