#include "sim/machine_file_telephony.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "teleph/address_text.h"

namespace sim {
namespace {

using vtx::cfg::cfgItem;
using vtx::cfg::cfgSection;

using Address = std::array<uint8_t, 4>;
using Mac = std::array<uint8_t, 6>;

// A key of a telephony subsection: a number up to `max`, an address or a MAC, by which member
// pointer is set.
template <typename Record>
struct Field {
  const char* name;
  uint32_t max = 0;
  uint32_t Record::*number = nullptr;
  Address Record::*address = nullptr;
  Mac Record::*mac = nullptr;
};

// The media keys, gathered before they are checked as a range.
struct Media {
  Address address{};
  uint32_t first = 0, last = 0;
};

const Field<HardwarePort> kHardwareFields[] = {
    {"unit", 0xFF, &HardwarePort::unit},
    {"port_types", 0xFFFFFFFF, &HardwarePort::port_types},
    {"reset_result", 0xFF, &HardwarePort::reset_result},
};
const Field<Telephony> kTelephonyControlFields[] = {
    {"params_save_result", 0xFF, &Telephony::params_save_result},
};
const Field<SwitchPort> kSwitchFields[] = {
    {"class", 0xFF, &SwitchPort::port_class},          {"unit", 0xFFFF, &SwitchPort::unit},
    {"stream", 0xFFFF, &SwitchPort::stream},           {"slot", 0xFFFF, &SwitchPort::slot},
    {"port_type", 0xFFFFFFFF, &SwitchPort::port_type},
};
const Field<NetInterface> kEthernetFields[] = {
    {"address", 0, nullptr, &NetInterface::address},
    {"netmask", 0, nullptr, &NetInterface::netmask},
    {"gateway", 0, nullptr, &NetInterface::gateway},
    {"speed", 0xFF, &NetInterface::speed},
    {"duplex", 0xFF, &NetInterface::duplex},
    {"flow_control", 0xFF, &NetInterface::flow_control},
    {"arp_timeout", 0xFFFFFFFF, &NetInterface::arp_timeout},
    {"mac", 0, nullptr, nullptr, &NetInterface::mac},
};
const Field<Media> kMediaFields[] = {
    {"address", 0, nullptr, &Media::address},
    {"port_first", 0xFFFF, &Media::first},
    {"port_last", 0xFFFF, &Media::last},
};

// "00:1C:7A:00:02:01": six bytes of two hexadecimal digits.
bool ParseMac(std::string_view text, Mac& out) {
  if (text.size() != 17) return false;
  Mac bytes{};
  for (size_t i = 0; i < bytes.size(); ++i) {
    const std::string pair(text.substr(i * 3, 2));
    char* end = nullptr;
    if (!isxdigit(static_cast<unsigned char>(pair[0])) ||
        !isxdigit(static_cast<unsigned char>(pair[1])) || (i < 5 && text[i * 3 + 2] != ':')) {
      return false;
    }
    bytes[i] = static_cast<uint8_t>(strtoul(pair.c_str(), &end, 16));
  }
  out = bytes;
  return true;
}

template <typename Record, size_t N>
std::string KeyList(const Field<Record> (&fields)[N]) {
  std::string list;
  for (size_t i = 0; i < N; ++i) list += std::string(i == 0 ? "" : ", ") + fields[i].name;
  return list;
}

template <typename Record, size_t N>
void LoadFields(const cfgSection& section, const Field<Record> (&fields)[N], Record& record,
                const ProblemReport& report) {
  for (size_t i = 0; i < section.itemCount(); ++i) {
    const cfgItem& item = section.item(i);
    const std::string_view key = item.name().view();
    const std::string value(item.value().view());
    const auto* field = std::find_if(std::begin(fields), std::end(fields),
                                     [key](const Field<Record>& f) { return key == f.name; });
    const std::string got = ", got '" + value + "'";
    if (field == std::end(fields)) {
      report(item.lineNumber(), "expected " + KeyList(fields) + " in [" + section.path().substr(1) +
                                    "], got '" + std::string(key) + "'");
    } else if (field->number != nullptr) {
      if (!ParseNumber(value, field->max, record.*field->number)) {
        report(item.lineNumber(), "expected a number from 0 to " + std::to_string(field->max) +
                                      " for " + field->name + got);
      }
    } else if (field->address != nullptr) {
      if (!vtx::teleph::ParseDottedQuad(value, (record.*field->address).data())) {
        report(item.lineNumber(),
               std::string("expected a dotted address A.B.C.D for ") + field->name + got);
      }
    } else if (!ParseMac(value, record.*field->mac)) {
      report(item.lineNumber(),
             "expected six hexadecimal bytes as 00:1C:7A:00:02:01 for mac" + got);
    }
  }
}

// The subsections of `parent` named "prefix.I", by I.
std::vector<const cfgSection*> Numbered(const cfgSection& parent, std::string_view prefix) {
  std::vector<std::pair<uint32_t, const cfgSection*>> found;
  for (size_t i = 0; i < parent.subsectionCount(); ++i) {
    const cfgSection& sub = parent.subsection(i);
    const std::string_view name = sub.name().view();
    uint32_t index = 0;
    if (NumberedName(name, prefix, 0xFFFF, index)) {
      found.emplace_back(index, &sub);
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<const cfgSection*> sections;
  for (const auto& entry : found) sections.push_back(entry.second);
  return sections;
}

// A list kind: all of its subsections are read into `list` when the first one in the file's
// order is met; the others are then already read.
template <typename Record, size_t N>
bool LoadList(const cfgSection& sub, std::string_view prefix, const Field<Record> (&fields)[N],
              std::vector<Record>& list, const ProblemReport& report) {
  const std::vector<const cfgSection*> kind = Numbered(*sub.parent(), prefix);
  if (std::find(kind.begin(), kind.end(), &sub) == kind.end()) return false;
  for (size_t i = 0; i < sub.parent()->subsectionCount(); ++i) {
    const cfgSection* first = &sub.parent()->subsection(i);
    if (std::find(kind.begin(), kind.end(), first) == kind.end()) continue;
    if (first != &sub) return true;
    break;
  }
  list.clear();
  for (const cfgSection* section : kind) {
    Record record;
    LoadFields(*section, fields, record, report);
    list.push_back(record);
  }
  return true;
}

void LoadMedia(const cfgSection& sub, Telephony& t, const ProblemReport& report) {
  Media media{t.media_address, t.media_port_first, t.media_port_last};
  LoadFields(sub, kMediaFields, media, report);
  if (media.first > media.last) {
    report(sub.lineNumber(), "expected port_first at most port_last in [" + sub.path().substr(1) +
                                 "], got " + std::to_string(media.first) + " and " +
                                 std::to_string(media.last));
    return;
  }
  t.media_address = media.address;
  t.media_port_first = static_cast<uint16_t>(media.first);
  t.media_port_last = static_cast<uint16_t>(media.last);
}

}  // namespace

bool LoadTelephonySection(const cfgSection& sub, Telephony& t, const ProblemReport& report) {
  if (sub.parent() == nullptr) return false;
  if (sub.name().view() == "media") {
    LoadMedia(sub, t, report);
    return true;
  }
  if (sub.name().view() == "telephony_control") {
    LoadFields(sub, kTelephonyControlFields, t, report);
    return true;
  }
  if (LoadList(sub, "ethernet", kEthernetFields, t.interfaces, report)) {
    t.saved_interfaces = t.interfaces;
    return true;
  }
  return LoadList(sub, "hardware_port", kHardwareFields, t.hardware, report) ||
         LoadList(sub, "switch_port", kSwitchFields, t.switch_ports, report);
}

}  // namespace sim
