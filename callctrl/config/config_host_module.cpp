// A host_module.N section: the host module keys, the keys its library reports (read under
// parameters/), then the T.38 keys.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "callctrl/config/config_internal.h"
#include "callctrl/hostlib/host_module_library.h"
#include "os/program.h"

namespace vtx::callctrl {
namespace {

using cfg::cfgConfiguration;
namespace t = tables;

// The host module keys held as one byte (enabled) are read into a word first.
struct HostKeys {
  int32_t enabled;
  int32_t inbound_call_timeout;
  int32_t media_use_unique_port;
  char module_library[259];
};

void LoadHostKeys(CallCtrlConfig* config, HostModuleConfigRecord* record) {
  static const KeySpec kKeys[] = {
      KEY_BOOL(HostKeys, enabled, "true"),
      KEY_INT(HostKeys, inbound_call_timeout, 0, 2147483647, 5000),
      KEY_BOOL(HostKeys, media_use_unique_port, "false"),
      KEY_STR(HostKeys, module_library, nullptr, true),
  };
  HostKeys keys = {
      record->enabled, record->inbound_call_timeout, record->media_use_unique_port, {}};
  std::snprintf(keys.module_library, sizeof keys.module_library, "%s", record->module_library);
  ReadKeys(config, kKeys, &keys);
  record->enabled = static_cast<uint8_t>(keys.enabled);
  record->inbound_call_timeout = keys.inbound_call_timeout;
  record->media_use_unique_port = keys.media_use_unique_port;
  std::snprintf(record->module_library, sizeof record->module_library, "%s", keys.module_library);
}

void LoadT38Keys(CallCtrlConfig* config, HostModuleConfigRecord* record) {
  static const KeySpec kKeys[] = {
      KEY_ENUM_M(T38Config, t38_max_bit_rate, t::kT38MaxBitRate, "14400"),
      KEY_ENUM_M(T38Config, t38_fax_fill_bit_removal, t::kBoolean, "false"),
      KEY_ENUM_M(T38Config, t38_fax_transcoding_MMR, t::kBoolean, "false"),
      KEY_ENUM_M(T38Config, t38_fax_transcoding_JBIG, t::kBoolean, "false"),
      KEY_ENUM_M(T38Config, t38_fax_rate_management, t::kT38FaxRateManagement, "transferredtcf"),
      KEY_INT_M(T38Config, t38_fax_max_buffer, 64, 8192, 512),
      KEY_INT_M(T38Config, t38_fax_max_datagram_recv, 512, 1024, 1024),
      KEY_ENUM_M(T38Config, t38_fax_udp_EC, t::kT38FaxUdpEc, "t38udpredundancy"),
      KEY_INT_M(T38Config, t38_fax_max_datagram_send, 1, 1024, 512),
      KEY_INT_M(T38Config, t38_UDPTL_redundancy_depth_image, 0, 5, 2),
      KEY_INT_M(T38Config, t38_UDPTL_redundancy_depth_control, 0, 5, 5),
      KEY_ENUM_M(T38Config, t38_t30_fast_notify, t::kBoolean, "false"),
      KEY_INT(T38Config, media_renegotiate_delay_inbound, INT32_MIN, INT32_MAX, 1000),
      KEY_INT(T38Config, media_renegotiate_delay_outbound, INT32_MIN, INT32_MAX, -1),
  };
  ReadKeys(config, kKeys, &record->t38);
}

std::string Address(const void* entry) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%8.8" PRIXPTR, reinterpret_cast<uintptr_t>(entry));
  return text;
}

void ReportEntryPoints(CallCtrlConfig* config, uint32_t number, const HostModuleLibrary& library) {
  const CipiEntryPoints& e = library.entries();
  const void* points[] = {
      reinterpret_cast<const void*>(e.CIPI_CloseLibrary),
      reinterpret_cast<const void*>(e.CIPI_GetErrorString),
      reinterpret_cast<const void*>(e.CIPI_OpenLibrary),
      reinterpret_cast<const void*>(e.CIPI_QueryConfigurationKeys),
      reinterpret_cast<const void*>(e.CIPI_QueryLibraryInfo),
      reinterpret_cast<const void*>(e.CIPI_ReconfigureLibrary),
      reinterpret_cast<const void*>(e.CIPI_SetTrace),
      reinterpret_cast<const void*>(e.CIPI_CapabilityQuery),
      reinterpret_cast<const void*>(e.CIPI_GetEvent),
      reinterpret_cast<const void*>(e.CIPI_GetStats),
      reinterpret_cast<const void*>(e.CIPI_SendCommand),
  };
  std::string a[11];
  for (size_t i = 0; i < 11; ++i) a[i] = Address(points[i]);
  ReportConfigMessage(config, cfgConfiguration::kInfo, -1,
                      "host_module.%x path %s loaded successfully. Function arguments:\n"
                      "CIPI_CloseLibrary           = %s\nCIPI_GetErrorString         = %s\n"
                      "CIPI_OpenLibrary            = %s\nCIPI_QueryConfigurationKeys = %s\n"
                      "CIPI_QueryLibraryInfo       = %s\nCIPI_ReconfigureLibrary     = %s\n"
                      "CIPI_SetTrace               = %s\nCIPI_CapabilityQuery        = %s\n"
                      "CIPI_GetEvent               = %s\nCIPI_GetStats               = %s\n"
                      "CIPI_SendCommand            = %s\n",
                      number, library.path().c_str(), a[0].c_str(), a[1].c_str(), a[2].c_str(),
                      a[3].c_str(), a[4].c_str(), a[5].c_str(), a[6].c_str(), a[7].c_str(),
                      a[8].c_str(), a[9].c_str(), a[10].c_str());
}

int32_t CountKeys(HostModuleLibrary& library) {
  if (!library.entries().CIPI_QueryConfigurationKeys) return 0;
  int32_t count = 0;
  CIPI_ConfigKey key;
  while (count < static_cast<int32_t>(kMaxLibraryKeys)) {
    key = CIPI_ConfigKey();
    if (library.QueryConfigurationKeys(count, &key) < 0) break;
    ++count;
  }
  return count;
}

// Reads one reported key into `stored`: false for a type the schema does not know.
bool ReadLibraryKey(CallCtrlConfig* config, uint32_t number, const char* path,
                    const CIPI_ConfigKey& key, HostModuleKeyValue* stored) {
  const char* name = stored->name;
  bool mandatory = key.mandatory != 0;
  switch (key.type) {
    case CIPI_KEY_STRING: {
      char fallback[sizeof key.value.string_default + 1];
      std::snprintf(fallback, sizeof fallback, "%.*s",
                    static_cast<int>(sizeof key.value.string_default), key.value.string_default);
      ReadString(config, name, fallback, stored->value.text, sizeof stored->value.text, mandatory);
      ReportConfigMessage(config, cfgConfiguration::kInfo, -1,
                          "host_module.%x string key %s default \"%s\" returned \"%s\"", number,
                          name, fallback, stored->value.text);
      if (key.validate && !key.validate(stored->value.text)) {
        ReportConfigMessage(config, cfgConfiguration::kWarning, KeyLine(config, name),
                            "string key %s value \"%s\" failed validation, using default \"%s\"",
                            name, stored->value.text, fallback);
        std::snprintf(stored->value.text, sizeof stored->value.text, "%s", fallback);
      }
      return true;
    }
    case CIPI_KEY_SIGNED: {
      const auto& i = key.value.integer;
      ReadSigned(config, name, i.minimum, i.maximum, i.default_value, mandatory,
                 &stored->value.signed_value);
      ReportConfigMessage(config, cfgConfiguration::kInfo, -1,
                          "host_module.%x int key %s min %d max %d default %d returned %d", number,
                          name, i.minimum, i.maximum, i.default_value, stored->value.signed_value);
      return true;
    }
    case CIPI_KEY_UNSIGNED: {
      auto u = [](int32_t v) { return static_cast<uint32_t>(v); };
      const auto& i = key.value.integer;
      ReadUnsigned(config, name, u(i.minimum), u(i.maximum), u(i.default_value), mandatory,
                   &stored->value.unsigned_value);
      ReportConfigMessage(config, cfgConfiguration::kInfo, -1,
                          "host_module.%x unsigned int key %s min %u max %u default %u returned %u",
                          number, name, u(i.minimum), u(i.maximum), u(i.default_value),
                          stored->value.unsigned_value);
      return true;
    }
    default:
      ReportConfigMessage(config, cfgConfiguration::kInfo, -1,
                          "host_module.%x path %s key %s unknown key type %d.", number, path, name,
                          static_cast<int>(key.type));
      return false;
  }
}

// The file to load the library from, or "" when it is not to be loaded (said why).
std::string LibraryToLoad(CallCtrlConfig* config, const HostModuleConfigRecord* record) {
  const uint32_t number = record->number;
  const char* path = record->module_library;
  if (config->loading == LibraryLoading::kAlways) return path;
  if (config->loading == LibraryLoading::kNone) {
    ReportConfigMessage(config, cfgConfiguration::kInfo, KeyLine(config, "module_library"),
                        "host_module.%x path %s not loaded: libraries are not loaded; its keys "
                        "are not checked.",
                        number, path);
    return "";
  }
  // The file found is the file loaded, so that what was checked is what runs. A library found
  // nowhere is left to the loader, which says why it does not load.
  std::string found = os::LocateLibrary(path);
  if (found.empty()) return path;
  const std::string untrusted = os::UntrustedFileReason(found);
  if (untrusted.empty()) return found;
  ReportOptions options;
  options.detail = untrusted.c_str();
  ReportConfigNotice(config, options, cfgConfiguration::kWarning, KeyLine(config, "module_library"),
                     "host_module.%x path %s not loaded: it could run code someone else put "
                     "there; its keys are not checked.",
                     number, path);
  return "";
}

}  // namespace

void QueryLibraryKeys(CallCtrlConfig* config, HostModuleConfigRecord* record) {
  uint32_t number = record->number;
  const std::string file = LibraryToLoad(config, record);
  if (file.empty()) return;
  const char* path = file.c_str();
  ReportConfigMessage(config, cfgConfiguration::kInfo, -1, "loading host_module.%x, path %s.",
                      number, path);
  HostModuleLibrary library;
  if (!library.Load(path)) {
    ReportOptions options;
    options.detail = library.load_error().c_str();
    ReportConfigNotice(config, options, cfgConfiguration::kError, KeyLine(config, "module_library"),
                       "host_module.%x path %s failed to load.", number, path);
    return;
  }
  ReportEntryPoints(config, number, library);
  int32_t count = CountKeys(library);
  if (count == 0) {
    ReportConfigMessage(config, cfgConfiguration::kError, -1,
                        "host_module.%x path %s reported 0 configuration keys.", number, path);
  } else {
    auto* keys = static_cast<HostModuleKeyValue*>(
        std::calloc(static_cast<size_t>(count), sizeof(HostModuleKeyValue)));
    if (!keys) {
      ReportConfigMessage(config, cfgConfiguration::kError, -1,
                          "host_module.%x path %s unable to allocate memory for configuration "
                          "keys.",
                          number, path);
    } else {
      ReportConfigMessage(config, cfgConfiguration::kInfo, -1,
                          "host_module.%x path %s reported %d configuration keys.", number, path,
                          count);
      std::free(record->keys);
      record->keys = keys;
      record->key_count = 0;
      char base[64];
      std::snprintf(base, sizeof base, "/host_module.%x/parameters/", number);
      SetReadSection(config, base);
      for (int32_t i = 0; i < count; ++i) {
        CIPI_ConfigKey key = CIPI_ConfigKey();
        if (library.QueryConfigurationKeys(i, &key) < 0) break;
        HostModuleKeyValue* stored = &keys[record->key_count];
        *stored = HostModuleKeyValue();
        std::snprintf(stored->name, sizeof stored->name, "%.*s", static_cast<int>(sizeof key.name),
                      key.name);
        stored->type = key.type;
        if (ReadLibraryKey(config, number, path, key, stored)) ++record->key_count;
      }
    }
  }
  ReportConfigMessage(config, cfgConfiguration::kInfo, -1, "unloading host_module.%x, path %s.",
                      number, path);
  library.Unload();
}

void LoadHostModuleSection(CallCtrlConfig* config, const char* name, uint32_t number) {
  std::string base = std::string("/") + name + "/";
  HostModuleConfigRecord* record = GetHostModuleRecord(config, number, true);
  if (!record) {
    ReportConfigMessage(config, cfgConfiguration::kError, SectionLine(config, base.c_str()),
                        "(null host module %d): A host module must exist prior to reading "
                        "parameters in section [%s].\n",
                        static_cast<int>(number), name);
    return;
  }
  SetReadSection(config, base.c_str());
  LoadHostKeys(config, record);
  QueryLibraryKeys(config, record);
  char t38[64];
  std::snprintf(t38, sizeof t38, "/host_module.%x/t38parameters/", number);
  SetReadSection(config, t38);
  LoadT38Keys(config, record);
}

}  // namespace vtx::callctrl
