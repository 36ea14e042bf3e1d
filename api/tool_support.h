// The tool-support interface: what the library's own administration tool needs beyond the public
// interface of vtx.h, each by name, and why. tarrow reaches the core of the library (os/, api/,
// trace/, packet/) through this header only; the layer table holds it to that.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "api/driver_access.h"
#include "api/line.h"
#include "api/module_lookup.h"
#include "api/reset_status.h"
#include "api/status_text.h"
#include "os/config_files.h"
#include "os/driver.h"
#include "os/file.h"
#include "os/program.h"
#include "os/status_signal.h"
#include "os/terminal.h"
#include "trace/api_log.h"
#include "trace/decoder.h"
#include "vtx.h"

namespace vtx::tool {

// Which driver the library talks to: every command says so when the board is simulated, and
// stops before anything else when the settings are wrong or no board can be reached.
using ::os::DriverDescription;
using ::os::DriverIsSimulated;
using ::os::DriverProblem;
using ::os::DriverSettingProblem;
// Where the simulator daemon listens when nobody says where: the usage tells it.
using ::os::DefaultDaemonSocket;

// The driver's version block, for `tarrow --version`: false when the driver did not open.
inline bool DriverVersionOf(VtxDriverVersion& version) {
  int handle = -1;
  if (vtx::DriverOpenHandshake(&handle, &version) != vtx::kDriverReady) return false;
  vtx::DriverClose(&handle);
  return true;
}

// Where the program is installed (the page provider lies beside it) and whether a stream is a
// terminal (progress is drawn only there).
using ::os::IsTerminal;
using ::os::ProgramDirectory;

// The signal that asks a running tool for its status (`tarrow callctrl --status`).
using ::os::StatusSignal;

// Where the installed configuration files are looked for (/etc/corvane, the registry file's
// folder), so that the tools say where they looked for a file that is missing.
using ::os::ConfigFilePlaces;
using ::os::PlaceList;

// Files the tool reads itself (device lists, country parameter files, decode input, machine
// descriptions): only regular files within a size limit, one message naming the file otherwise.
using ::os::OpenRegularFile;
using ::os::ReadRegularFile;

// The API trace log: the tool shows its lines on standard error, and reads the firmware report
// and the commands a reset sent from them.
using trace::ExchangeMask;
using trace::InstallFunction;
using trace::kLevelError;
using trace::kLevelInfo;
using trace::kLevelPacket;
using trace::Mask;
using trace::Message;

// The packet decoder, for `tarrow decode`.
using trace::DecodeCommand;
using trace::kDecodeData;
using trace::kDecodeLength;

// The texts of result words, as the page shows them.
using api::FormStatusText;
using api::StatusText;

// The modules: the highest module number of the address mode, and a module by its name.
using vtx::HighestModuleNumber;
using vtx::LookupModule;

// The reset status bits with their names and meanings.
using vtx::kResetStatusBits;
using vtx::ResetStatusBit;

// What the line reset learnt of the firmware behind a line: versions and capabilities.
inline const LineFirmware& FirmwareOf(const VtxLine& line) {
  return line.firmware;
}
using vtx::HasCapability;

// The firmware's text for the result code of a refusal on `line`, in the family of the operation
// it refused.
inline const char* RefusalText(const VtxLine& line, uint32_t code) {
  return api::FirmwareResultText(line.fw_error_class, code);
}

// A line record with no driver behind it, for `tarrow dialdb`: the dialling database reads only
// a line's country code, channel ordinal and country parameters, which the tool then loads from
// `cv_cparm` (empty: the built-in ones).
inline std::unique_ptr<VtxLine> ConfigOnlyLine(uint32_t country_code, int32_t ordinal,
                                               const std::string& cv_cparm) {
  auto line = std::make_unique<VtxLine>();
  line->ordinal = ordinal;
  line->config.settings = kDefaultLineSettings;
  line->config.settings.country_code = country_code;
  snprintf(line->config.settings.cv_cparm, sizeof line->config.settings.cv_cparm, "%s",
           cv_cparm.c_str());
  return line;
}

}  // namespace vtx::tool
