#include "sim/fax_firmware.h"

#include "common.h"
#include "fax.h"
#include "sim/module.h"
#include "vtx.h"

namespace sim {
namespace {

uint32_t FontBit(uint32_t font_no) {
  return font_no == 255 ? 0x80000000u : 1u << font_no;
}

void FontDownloadStart(FaxState& fax, const FwCommand& cmd, FwAnswer& answer) {
  const FwTag* number = cmd.Find(FAX_FONT_NUM_VAR);
  fax.downloading = true;
  fax.font_no = number != nullptr ? number->Value() : 0;
  fax.incoming.clear();
  fax.data_commands = 0;
  answer.Packet().Event(FAX_FONT_DL_STARTED_EVENT);
}

void FontDownloadFinish(FaxState& fax, FwAnswer& answer) {
  // A FINISH without a START is a firmware "Misc error".
  const uint32_t result = fax.downloading ? fax.font_result : 3;
  if (result == 0) fax.fonts[fax.font_no] = fax.incoming;
  fax.downloading = false;
  answer.Packet().Event(FAX_FONT_DL_FINISHED_EVENT,
                        {FwTag::Int(COMMON_RESULT_CODE_VAR, MILL_TYPE_BYTE, result)});
}

}  // namespace

void InstallFaxFirmware(Module& module) {
  Module* m = &module;
  FirmwareTable& table = module.firmware();
  table.Set(
      MILL_FACILITY_FAX, MILL_VERB_START, FAX_FONT_DOWNLOAD_MODE,
      [m](const FwCommand& cmd, FwAnswer& answer) { FontDownloadStart(m->fax(), cmd, answer); });
  table.Set(MILL_FACILITY_FAX, MILL_VERB_DATA, kAnyCode, [m](const FwCommand& cmd, FwAnswer&) {
    FaxState& fax = m->fax();
    if (!fax.downloading) return;
    fax.incoming.insert(fax.incoming.end(), cmd.data.begin(), cmd.data.end());
    ++fax.data_commands;
  });
  table.Set(MILL_FACILITY_FAX, MILL_VERB_FINISH, FAX_FONT_DOWNLOAD_MODE,
            [m](const FwCommand&, FwAnswer& answer) { FontDownloadFinish(m->fax(), answer); });
  // An abort ends the channel's fax session, if it has one; nothing is answered.
  table.Set(MILL_FACILITY_FAX, MILL_VERB_FINISH, FAX_XMIT_RCV_MODE,
            [m](const FwCommand& cmd, FwAnswer&) {
              m->fax().aborts.push_back({ChannelOf(cmd), (cmd.pkt_flags & MILL_PKT_PRIORITY) != 0});
            });
}

void MarkFontInUse(Module& module, uint32_t font_no, bool in_use) {
  auto& variables = module.built_in_variables();
  const std::pair<uint32_t, uint32_t> key{MILL_FACILITY_FAX, kFaxFontsInUseVar};
  auto found = variables.find(key);
  uint32_t fonts = found != variables.end() ? found->second.Value() : 0;
  fonts = in_use ? fonts | FontBit(font_no) : fonts & ~FontBit(font_no);
  variables[key] = FwTag::Int(kFaxFontsInUseVar, MILL_TYPE_LONG, fonts);
}

const FwTag* FaxLocalId(Module& module, uint32_t channel) {
  auto found = module.variables().find({MILL_FACILITY_FAX, channel, FAX_LOCAL_ID_VAR});
  return found == module.variables().end() ? nullptr : &found->second;
}

}  // namespace sim
