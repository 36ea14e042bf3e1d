// `tarrow details`: the Device Details page of each board, as Device Manager shows it. The
// devices come from the machine's modules (or from a device list file), the page from the
// provider crvnTdevpp loaded by name; the page is created, initialised and drawn.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "api/tool_support.h"
#include "cfg/cfg_configuration.h"
#include "compat/win32/dialog_model.h"
#include "compat/win32/windows.h"
#include "tools/tarrow/command.h"
#include "tools/tarrow/page_view.h"
#include "tools/tarrow/preferences.h"
#include "vtx.h"

namespace tarrow {
namespace {

using EnumPropPagesFn = BOOL(WINAPI*)(PSP_PROPSHEETPAGE_REQUEST, LPFNADDPROPSHEETPAGE, LPARAM);
using vtx::cfg::cfgConfiguration;
using vtx::cfg::cfgMessage;
using vtx::cfg::cfgSection;

constexpr const char* kUsage =
    "details [--devices FILE] [--location TEXT [--press-configure]] [--json]";

constexpr int kConfigureButton = 1021;
// The largest device list read: a section of three short keys per device.
constexpr uint64_t kDeviceFileLimit = 1 << 20;
constexpr const char* kBoardDescription = "Corvane Tarrow Board";

// A device as Device Manager knows it: each property may be missing.
struct Device {
  std::string friendly_name, description, location;
  bool has_friendly_name = false, has_description = false, has_location = false;
};

// The boards of the machine: one device per existing module, located by the module's name.
bool MachineDevices(std::vector<Device>& devices) {
  NoteSimulatedBoard();
  // The highest module number follows the address mode, which the first query's handshake sets.
  for (uint32_t module = 2; module <= vtx::tool::HighestModuleNumber(); ++module) {
    VtxModuleInfoArgs args{};
    args.mod_num = module;
    VtxModuleInfo(nullptr, &args);
    if (args.status != CV_STATUS_OK) {
      ResultError("module " + std::to_string(module), nullptr, args.status, args.line_status);
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

// Tells the problems of a device list file as "FILE:LINE: TEXT", counting them.
struct FileProblems {
  std::string path;
  int count = 0;
  void Add(int line, const std::string& text) {
    std::cerr << "tarrow details: " << path << ":" << line << ": " << text << "\n";
    ++count;
  }
};

int OnFileMessage(int kind, const cfgMessage* message) {
  if (kind & (cfgConfiguration::kWarning | cfgConfiguration::kError)) {
    static_cast<FileProblems*>(message->userData)->Add(message->line, message->text);
  }
  return 0;
}

// One device of the file from its section's keys; false after telling a key that is not one of
// the three.
bool SectionDevice(const cfgSection& section, FileProblems& problems, Device& device) {
  for (size_t i = 0; i < section.itemCount(); ++i) {
    const auto& item = section.item(i);
    const std::string key(item.name().view());
    const std::string value(item.value().view());
    if (key == "friendly_name") {
      device.friendly_name = value;
      device.has_friendly_name = true;
    } else if (key == "description") {
      device.description = value;
      device.has_description = true;
    } else if (key == "location") {
      device.location = value;
      device.has_location = true;
    } else {
      problems.Add(item.lineNumber(),
                   "expected friendly_name, description or location, got " + key);
      return false;
    }
  }
  return true;
}

// A device list file in the configuration file syntax: one section per device, in file order,
// with the keys friendly_name, description and location; a key left out is a property the device
// lacks.
bool FileDevices(const std::string& path, std::vector<Device>& devices) {
  FileProblems problems{path};
  cfgConfiguration config(1, cfgConfiguration::kWarning | cfgConfiguration::kError, OnFileMessage,
                          &problems, '=', false);
  std::string content, error;
  if (!vtx::tool::ReadRegularFile(path.c_str(), kDeviceFileLimit, content, error)) {
    Error(error);
    return false;
  }
  vtx::cfg::cfgTextFile file(path.c_str());
  file.assign(content);
  config.parse(file);
  const cfgSection& root = config.root();
  for (size_t i = 0; i < root.itemCount(); ++i) {
    problems.Add(root.item(i).lineNumber(),
                 "expected a device section, got key " + std::string(root.item(i).name().view()));
  }
  std::vector<const cfgSection*> sections;
  for (size_t i = 0; i < root.subsectionCount(); ++i) sections.push_back(&root.subsection(i));
  std::sort(sections.begin(), sections.end(), [](const cfgSection* a, const cfgSection* b) {
    return a->lineNumber() < b->lineNumber();
  });
  for (const cfgSection* section : sections) {
    Device device;
    if (SectionDevice(*section, problems, device)) devices.push_back(device);
  }
  return problems.count == 0;
}

// Where the provider is: $TARROW_PROVIDER, else ../lib beside this program when it is there,
// else its name for the library search path.
std::string ProviderPath() {
  if (const char* named = std::getenv("TARROW_PROVIDER"); named && *named) return named;
  const std::string directory = vtx::tool::ProgramDirectory();
  const std::string beside = directory + "/../lib/libcrvnTdevpp.so";
  if (!directory.empty() && access(beside.c_str(), R_OK) == 0) return beside;
  return "crvnTdevpp";
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

// One device's page as shown: drawn, or as JSON.
struct ShownPage {
  std::string drawn;
  Json json;
};

// Shows one device's page as the property sheet would; false when the provider added none.
// `launch_failed` is set when the button was pressed and the tool did not start.
bool ShowPage(EnumPropPagesFn enum_pages, const Device& device, bool press, bool json,
              ShownPage& out, bool& launch_failed) {
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
    if (json) {
      out.json = PageJson(dialog, facts);
    } else {
      out.drawn = DrawPage(dialog, facts);
    }
    win32compat::DestroyPageDialog(dialog);
  }
  if (page) DestroyPropertySheetPage(page);
  SetupDiDestroyDeviceInfoList(set);
  return dialog != nullptr;
}

struct DetailsOptions {
  bool json = false;
  bool press = false;
  std::string devices_file;
  std::string location;  // empty: every device
};

// The options; false when the arguments are not the command's.
bool TakeDetailsOptions(const Args& arguments, DetailsOptions& options) {
  Args args = arguments;
  options.json = TakeFlag(args, "--json");
  options.press = TakeFlag(args, "--press-configure");
  options.devices_file = TakeOption(args, "--devices", "");
  options.location = TakeOption(args, "--location", "");
  return args.empty() && (!options.press || !options.location.empty());
}

// The devices to show: the machine's or the file's, only the first at the location when one is
// asked for. False after a message.
bool ChooseDevices(const DetailsOptions& options, std::vector<Device>& devices) {
  if (!(options.devices_file.empty() ? MachineDevices(devices)
                                     : FileDevices(options.devices_file, devices))) {
    return false;
  }
  if (options.location.empty()) return true;
  const auto at = std::find_if(devices.begin(), devices.end(), [&](const Device& device) {
    return device.has_location && lstrcmpiA(device.location.c_str(), options.location.c_str()) == 0;
  });
  if (at == devices.end()) {
    Error("no device at location \"" + options.location + "\"");
    return false;
  }
  devices = {*at};
  return true;
}

// Each device's page, drawn or in JSON, through the provider's EnumPropPages: 0, or 1 when a page
// was missing or its tool did not start.
int ShowPages(EnumPropPagesFn enum_pages, const DetailsOptions& options,
              const std::vector<Device>& devices, std::vector<ShownPage>& shown) {
  int status = 0;
  for (const Device& device : devices) {
    ShownPage out;
    bool launch_failed = false;
    if (ShowPage(enum_pages, device, options.press, options.json, out, launch_failed)) {
      shown.push_back(out);
      if (launch_failed) status = 1;
    } else {
      Error("the provider added no page");
      status = 1;
    }
  }
  return status;
}

// The pages one after the other; in JSON the list of pages.
void PrintPages(const DetailsOptions& options, const std::vector<ShownPage>& shown) {
  if (options.json) {
    Json pages = Json::array();
    for (const ShownPage& page : shown) pages.push_back(page.json);
    PrintJson(Json{{"pages", pages}});
    return;
  }
  for (size_t i = 0; i < shown.size(); ++i) std::cout << (i ? "\n" : "") << shown[i].drawn;
}

int RunDetails(const Args& arguments) {
  DetailsOptions options;
  if (!TakeDetailsOptions(arguments, options)) {
    std::cerr << "usage: tarrow " << kUsage << "\n";
    return 2;
  }
  std::vector<Device> devices;
  if (!ChooseDevices(options, devices)) return 1;
  HMODULE provider = LoadLibraryA(ProviderPath().c_str());
  auto enum_pages = provider ? reinterpret_cast<EnumPropPagesFn>(reinterpret_cast<void*>(
                                   GetProcAddress(provider, "EnumPropPages")))
                             : nullptr;
  if (!enum_pages) {
    Error("cannot load the property page provider crvnTdevpp");
    if (provider) FreeLibrary(provider);
    return 1;
  }
  // Each page resets a line with "cvcall.cfg", which the library looks for where the tools do:
  // what is missing is said once here, not by every page.
  FindPreferenceFile();
  std::vector<ShownPage> shown;
  const int status = ShowPages(enum_pages, options, devices, shown);
  FreeLibrary(provider);
  PrintPages(options, shown);
  return status;
}

}  // namespace

constexpr char kHelp[] =
    "  --devices FILE     show the devices a file describes instead of the machine's\n"
    "  --location TEXT    only the device at this location\n"
    "  --press-configure  press the page's Configure button (with --location)\n"
    "  --json             print JSON (docs/json.md)\n"
    "\n"
    "Example:\n"
    "  tarrow details --location \"PCI bus 3, device 0, function 0\"\n";

TARROW_COMMAND("details", kUsage,
               "show the Device Details page of each board, as Device Manager does", RunDetails,
               kHelp);

}  // namespace tarrow
