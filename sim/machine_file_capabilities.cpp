#include "sim/machine_file_capabilities.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "packet/codes.h"

namespace sim {
namespace {

constexpr std::string_view kPrefix = "capabilities.";

const vtx::codes::FacilityCodes* FindFacility(const std::string& name) {
  for (const auto& facility : vtx::codes::Facilities()) {
    if (strcasecmp(facility.name, name.c_str()) == 0) return &facility;
  }
  return nullptr;
}

bool FindTag(const vtx::codes::NameTable& table, const std::string& name, uint32_t& id) {
  for (const auto& entry : table) {
    if (name == entry.name) {
      id = entry.code;
      return true;
    }
  }
  return false;
}

// A tag of the facility by its name, by a generic name, or by number.
bool TagId(const vtx::codes::FacilityCodes& facility, const std::string& key, uint32_t& id) {
  using vtx::codes::Kind;
  return FindTag(facility.Table(Kind::kTag), key, id) ||
         FindTag(vtx::codes::Generic().Table(Kind::kTag), key, id) ||
         (ParseNumber(key, 0xFFFFFFFF, id) && id != 0);
}

}  // namespace

bool LoadCapabilitySection(const vtx::cfg::cfgSection& section, Module& module,
                           const ProblemReport& problem) {
  const std::string_view name = section.name().view();
  if (name.substr(0, kPrefix.size()) != kPrefix) return false;
  const std::string facility_name(name.substr(kPrefix.size()));
  const vtx::codes::FacilityCodes* facility = FindFacility(facility_name);
  if (facility == nullptr) {
    problem(section.lineNumber(), "expected a facility name (ADMIN, SPEECH, FAX, ...) in [" +
                                      section.path().substr(1) + "], got '" + facility_name + "'");
    return true;
  }
  // The section keeps its items by name; the list goes out in the file's order.
  std::vector<const vtx::cfg::cfgItem*> items;
  for (size_t i = 0; i < section.itemCount(); ++i) items.push_back(&section.item(i));
  std::stable_sort(items.begin(), items.end(),
                   [](const auto* a, const auto* b) { return a->lineNumber() < b->lineNumber(); });
  FacilityCapabilities list;
  for (const vtx::cfg::cfgItem* entry : items) {
    const vtx::cfg::cfgItem& item = *entry;
    const std::string key(item.name().view());
    const std::string value(item.value().view());
    uint32_t id = 0;
    uint32_t word = 0;
    if (key == "answers") {
      if (value != "yes" && value != "no") {
        problem(item.lineNumber(), "expected yes or no for answers, got '" + value + "'");
      }
      list.answers = value != "no";
    } else if (!TagId(*facility, key, id)) {
      problem(item.lineNumber(), "expected a tag of " + std::string(facility->name) +
                                     " (a name or a number), got '" + key + "'");
    } else if (!ParseNumber(value, 0xFFFFFFFF, word)) {
      problem(item.lineNumber(),
              "expected a number from 0 to 0xFFFFFFFF for " + key + ", got '" + value + "'");
    } else {
      list.tags.emplace_back(id, word);
    }
  }
  module.report.capabilities[facility->number] = std::move(list);
  return true;
}

}  // namespace sim
