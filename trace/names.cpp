#include "trace/names.h"

#include <algorithm>
#include <mutex>

namespace vtx::trace {
namespace {

void Fill(FacilityNames& out, const codes::FacilityCodes& in) {
  out.name = in.name;
  for (int kind = 0; kind < 4; ++kind) {
    std::vector<std::string>& table = out.tables[kind];
    for (const codes::CodeName& entry : in.Table(static_cast<codes::Kind>(kind))) {
      if (entry.code >= kMaxCode) continue;
      if (table.size() <= entry.code) table.resize(entry.code + 1);
      table[entry.code] = entry.name;
    }
  }
}

std::shared_ptr<const NameTables> MakeBuiltIn() {
  auto names = std::make_shared<NameTables>();
  for (const codes::FacilityCodes& facility : codes::Facilities()) {
    if (facility.number >= kFacilitySlots) continue;
    Fill(names->facilities[facility.number], facility);
    names->facility_count = std::max(names->facility_count, facility.number + 1);
  }
  Fill(names->generic, codes::Generic());
  return names;
}

std::mutex g_current_lock;
std::shared_ptr<const NameTables> g_current;

}  // namespace

const std::string* FacilityNames::Find(codes::Kind kind, uint32_t code) const {
  const std::vector<std::string>& table = tables[static_cast<int>(kind)];
  if (code >= table.size() || table[code].empty()) return nullptr;
  return &table[code];
}

void FacilityNames::Clear() {
  name.clear();
  for (std::vector<std::string>& table : tables) table.clear();
}

const char* NameTables::Facility(uint32_t facility) const {
  if (facility >= facility_count || facility >= kFacilitySlots) return nullptr;
  const std::string& name = facilities[facility].name;
  return name.empty() ? nullptr : name.c_str();
}

const char* NameTables::Name(uint32_t facility, codes::Kind kind, uint32_t code) const {
  if (facility < facility_count && facility < kFacilitySlots) {
    if (const std::string* name = facilities[facility].Find(kind, code)) return name->c_str();
  }
  const std::string* name = generic.Find(kind, code);
  return name != nullptr ? name->c_str() : nullptr;
}

std::shared_ptr<const NameTables> BuiltInNames() {
  static const std::shared_ptr<const NameTables> built_in = MakeBuiltIn();
  return built_in;
}

std::shared_ptr<const NameTables> CurrentNames() {
  std::lock_guard<std::mutex> hold(g_current_lock);
  if (g_current == nullptr) g_current = BuiltInNames();
  return g_current;
}

void InstallNames(std::shared_ptr<const NameTables> names) {
  std::lock_guard<std::mutex> hold(g_current_lock);
  g_current = std::move(names);
}

}  // namespace vtx::trace
