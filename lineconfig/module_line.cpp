// A line on the module itself: the module's bus decides its hardware capabilities, and fonts
// go to the module's fax store when the caller asks for them.
#include "api/address_mode.h"
#include "api/line.h"
#include "api/module_queries.h"
#include "fax.h"
#include "lineconfig/final_config_run.h"
#include "teleph/fax_ops.h"

namespace vtx {
namespace {

constexpr uint32_t kDefaultFontNumber = 255;  // slots 30 and 31 download under it
constexpr size_t kNumberedFontSlots = 30;     // slots 0 to 29 download under their number

struct BusCapabilities {
  uint32_t bus_type;
  uint32_t capabilities[3];
  size_t count;
};
constexpr BusCapabilities kBusCapabilities[] = {
    {1, {73}, 1},
    {2, {74, 75, 76}, 3},
    {3, {88}, 1},
};

void DownloadFonts(VtxLine* line) {
  for (size_t slot = 0; slot < kFontSlots; ++slot) {
    const char* name = line->config.fonts.names[slot];
    if (name == nullptr || name[0] == '\0') continue;
    VtxFontArgs font{};
    font.fname = name;
    font.font_no = slot < kNumberedFontSlots ? static_cast<int32_t>(slot) : kDefaultFontNumber;
    teleph::FaxDownloadFont(line, &font);  // its failures are in reset_status
  }
}

}  // namespace

void ConfigureModuleLine(FinalConfigRun& run) {
  VtxLine* line = run.line;
  if ((line->dest_addr[1] & AddressByteMask()) != 1) return;
  VtxModuleInfoArgs info{};
  info.mod_num = line->dest_addr[2] & AddressByteMask();
  if (ModuleInfoWorker(nullptr, &info) != 0 || info.exists == 0 || info.hardware == 0) return;
  if (info.num_channels == 0) run.skip_facility_settings = true;
  for (const BusCapabilities& bus : kBusCapabilities) {
    if (bus.bus_type != info.bus_type) continue;
    for (size_t i = 0; i < bus.count; ++i) SetCapability(line, bus.capabilities[i]);
  }
  if (run.sending() && run.FacilityPresent(MILL_FACILITY_FAX) && run.args->mill_load_fonts == 1) {
    DownloadFonts(line);
  }
}

}  // namespace vtx
