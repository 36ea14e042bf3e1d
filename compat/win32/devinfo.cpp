// Device information sets: what the host knows of its devices, kept as SetupAPI keeps it (each
// device's registry properties with their types), and read by property page providers.
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "compat/win32/windows.h"

namespace {

struct Property {
  DWORD type;
  std::vector<BYTE> data;
};

struct Device {
  std::map<DWORD, Property> properties;
};

struct DeviceInfoSet {
  std::vector<std::unique_ptr<Device>> devices;
};

// The device that `data` names in `set`: its DevInst is the device's index plus one.
Device* FindDevice(HDEVINFO set, PSP_DEVINFO_DATA data) {
  if (!set || set == INVALID_HANDLE_VALUE || !data || data->cbSize != sizeof(SP_DEVINFO_DATA)) {
    return nullptr;
  }
  auto* devices = &static_cast<DeviceInfoSet*>(set)->devices;
  if (data->DevInst == 0 || data->DevInst > devices->size()) return nullptr;
  return (*devices)[data->DevInst - 1].get();
}

Property TextProperty(const char* text) {
  const auto* bytes = reinterpret_cast<const BYTE*>(text);
  return Property{REG_SZ, std::vector<BYTE>(bytes, bytes + std::strlen(text) + 1)};
}

}  // namespace

HDEVINFO WINAPI SetupDiCreateDeviceInfoList(const GUID*, HWND) {
  return new DeviceInfoSet();
}

BOOL WINAPI SetupDiCreateDeviceInfoA(HDEVINFO set, LPCSTR, const GUID* class_guid,
                                     LPCSTR device_description, HWND, DWORD,
                                     PSP_DEVINFO_DATA data) {
  if (!set || set == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto* devices = &static_cast<DeviceInfoSet*>(set)->devices;
  auto device = std::make_unique<Device>();
  if (device_description) device->properties[SPDRP_DEVICEDESC] = TextProperty(device_description);
  devices->push_back(std::move(device));
  if (data) {
    if (data->cbSize != sizeof(SP_DEVINFO_DATA)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    data->ClassGuid = class_guid ? *class_guid : GUID{};
    data->DevInst = static_cast<DWORD>(devices->size());
    data->Reserved = 0;
  }
  return TRUE;
}

BOOL WINAPI SetupDiSetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA data, DWORD property,
                                              const BYTE* buffer, DWORD size) {
  Device* device = FindDevice(set, data);
  if (!device) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!buffer || size == 0) {
    device->properties.erase(property);
  } else {
    device->properties[property] = Property{REG_SZ, std::vector<BYTE>(buffer, buffer + size)};
  }
  return TRUE;
}

BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA data, DWORD property,
                                              PDWORD type, PBYTE buffer, DWORD size,
                                              PDWORD required_size) {
  Device* device = FindDevice(set, data);
  if (!device) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto found = device->properties.find(property);
  if (found == device->properties.end()) {
    SetLastError(ERROR_INVALID_DATA);
    return FALSE;
  }
  const std::vector<BYTE>& bytes = found->second.data;
  if (type) *type = found->second.type;
  if (required_size) *required_size = static_cast<DWORD>(bytes.size());
  if (!buffer || size < bytes.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, bytes.data(), bytes.size());
  return TRUE;
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  if (!set || set == INVALID_HANDLE_VALUE) return FALSE;
  delete static_cast<DeviceInfoSet*>(set);
  return TRUE;
}
