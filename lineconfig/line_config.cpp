// VtxLineConfig: one preference file line per call, and the closing call without a line that
// loads the country parameters and configures the firmware.
#include "lineconfig/line_config.h"

#include "api/font_table.h"
#include "api/frame.h"
#include "api/line.h"
#include "api/reset_status.h"
#include "api/result.h"
#include "lineconfig/config_parser.h"
#include "lineconfig/country_params.h"
#include "lineconfig/final_config.h"
#include "trace/api_log.h"

namespace vtx {
namespace {

constexpr char kName[] = "VtxLineConfig";
constexpr char kDefaultFont[] = "ibmpcps.fz8";

unsigned long ResetStatus(const VtxLine* line) {
  return line->reset_status;
}

// Every setting, the font table and the country parameters back to their defaults.
void OpenSequence(VtxLine* line) {
  LineConfigState& config = line->config;
  config.settings = kDefaultLineSettings;
  ReleaseFontTable(line);
  if (!SetFontName(line, kDefaultFontSlot, kDefaultFont, sizeof kDefaultFont - 1)) {
    line->reset_status |= kResetFontMemory;
  }
  SetDefaultCountryParams(line);
  config.sequence_open = 1;
}

int CloseSequence(VtxLine* line, VtxLineArgs* args) {
  line->config.sequence_open = 0;
  // Its failures are in the block and reset_status.
  LoadCountryParams(line, args->config_file_name);
  ApplyCountryOverrides(line);
  int ret = FinalLineConfiguration(line, args) < 0 ? -1 : 0;
  ReleaseFontTable(line);
  args->reset_status = line->reset_status;
  if (ret < 0 && args->status == CV_STATUS_OK) args->status = CV_STATUS_ERROR;
  trace::CallReturn(line, kName, args, "ret=%d,reset_status=0x%lX", ret, ResetStatus(line));
  return ret;
}

}  // namespace

// The configuration runs only synchronously: refused with an asynchronous context, or inside an
// asynchronous operation of the line.
bool RefuseAsync(VtxLine* line, VtxLineArgs* args, const char* traced_as) {
  if (args->async_lp == 0 && (line == nullptr || line->nesting == 0)) return false;
  Fail(args, APIERR_ASYNC_LP_ERR);
  trace::CallReturn(line, traced_as, args, "ret=%d", -1);
  return true;
}

int LineConfigWorker(VtxLine* line, VtxLineArgs* args) {
  if (args == nullptr) return -1;
  const char* text = args->config_file_line;
  trace::CallEntry(line, kName, "config_file_line=%s,no_fonts=%d,skip_teleph=%d,no_init=%d",
                   text != nullptr ? text : "(NULL)", static_cast<int>(args->no_fonts),
                   static_cast<int>(args->skip_teleph), static_cast<int>(args->no_init));
  if (line == nullptr) {
    Fail(args, APIERR_BADPARAMETER);
    trace::CallReturn(line, kName, args, "ret=%d", -1);
    return -1;
  }
  if (RefuseAsync(line, args, kName)) return -1;
  if (line->config.sequence_open == 0) OpenSequence(line);
  if (text == nullptr) return CloseSequence(line, args);

  // A bad line is reported and never fails the call.
  if (ParseConfigLine(line, text, args->no_fonts != 0) != 0) ReportBadConfigLine(line, text);
  trace::CallReturn(line, kName, args, "ret=0,reset_status=0x%lX", ResetStatus(line));
  return 0;
}

}  // namespace vtx

extern "C" int VtxLineConfig(VtxLine* line, VtxLineArgs* args) {
  using vtx::api::Carry;
  using vtx::api::Family;
  return vtx::api::Framed<Family::kLine, Carry::kOutput>(vtx::LineConfigWorker, line, args);
}
