// tarrow tone MODULE CHANNEL play DIGITS [--length MS] [--type N]
// tarrow tone MODULE CHANNEL listen [--seconds N] [--ends]
// Plays tones on a channel, or prints each character the channel's tone detection hears as it
// arrives, one to a line ("end" for the end of a tone with --ends), until the time is up or the
// command is interrupted.
#include <csignal>
#include <cstdio>
#include <string>

#include "tools/tarrow/command.h"
#include "tools/tarrow/output.h"
#include "tools/tarrow/preferences.h"
#include "tools/tarrow/teleph_tool.h"
#include "vtx.h"

namespace tarrow {
namespace {

const char kUsage[] =
    "tone MODULE CHANNEL play DIGITS [--length MS] [--type N] | listen [--seconds N] [--ends]";
constexpr uint32_t kDtmfDetection = 16;  // detection and generation type of DTMF digits
constexpr uint32_t kListenSlice = 200;   // ms between looks at the interruption flag

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
  g_stop = 1;
}

int Play(VtxLine* line, const std::string& digits, uint32_t length, uint32_t type) {
  for (char digit : digits) {
    VtxTonePlayArgs play{};
    play.digit = static_cast<unsigned char>(digit);
    play.millisecs = length;
    play.tone_type = static_cast<int32_t>(type);
    VtxTonePlay(line, &play);
    if (play.status != CV_STATUS_OK) {
      return ReportOutcome(line, -1, play.status, play.line_status);
    }
  }
  printf("played %s\n", digits.c_str());
  return 0;
}

int Listen(VtxLine* line, uint32_t seconds, bool ends) {
  VtxToneArgs tone{};
  tone.decode_flag = kDtmfDetection | (ends ? VTX_TONE_REPORT_ENDS : 0);
  VtxToneDetectEnable(line, &tone);
  if (tone.status != CV_STATUS_OK) {
    return ReportOutcome(line, -1, tone.status, tone.line_status);
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  int status = 0;
  for (uint32_t waited = 0; g_stop == 0 && waited < seconds * 1000; waited += kListenSlice) {
    for (;;) {
      tone.millisecs = kListenSlice;
      const int character = VtxToneGet(line, &tone);
      if (character < 0) break;
      if (character == 0) {
        printf("end\n");
      } else {
        printf("%c\n", character);
      }
      fflush(stdout);
      tone.millisecs = 0;
    }
    if (tone.status != CV_STATUS_TIMEOUT) {
      status = ReportOutcome(line, -1, tone.status, tone.line_status);
      break;
    }
  }
  VtxToneDetectDisable(line, &tone);
  if (status == 0)
    status =
        ReportOutcome(line, tone.status == CV_STATUS_OK ? 0 : -1, tone.status, tone.line_status);
  return status;
}

int Run(const Args& arguments) {
  Args args = arguments;
  TakeDefaults(args);
  const std::string length_text = TakeOption(args, "--length", "100");
  const std::string type_text = TakeOption(args, "--type", "16");
  const std::string seconds_text = TakeOption(args, "--seconds", "10");
  const bool ends = TakeFlag(args, "--ends");
  unsigned module = 0;
  if (!TakeModule(args, kUsage, module)) return 2;
  const bool play = args.size() == 3 && args[1] == "play";
  const bool listen = args.size() == 2 && args[1] == "listen";
  if (!play && !listen) {
    fprintf(stderr, "usage: tarrow %s\n", kUsage);
    return 2;
  }
  uint32_t channel = 0, length = 0, type = 0, seconds = 0;
  if (!ParseNumber("CHANNEL", args[0], 0xFF, channel) ||
      !ParseNumber("--length", length_text, 60000, length) ||
      !ParseNumber("--type", type_text, 0xFF, type) ||
      !ParseNumber("--seconds", seconds_text, 86400, seconds)) {
    return 2;
  }
  if (play && args[2].empty()) {
    Error("expected the digits to play, got \"\"");
    return 2;
  }
  CV_API_SET_VER();
  VtxLine* line = OpenChannelLine(module, channel);
  if (line == nullptr) return 1;
  const int status = play ? Play(line, args[2], length, type) : Listen(line, seconds, ends);
  CloseTelephLine(line);
  return status;
}

constexpr char kHelp[] =
    "  --length MS        how long each tone plays\n"
    "  --type N           the tone type sent to the module\n"
    "  --seconds N        how long to listen\n"
    "  --ends             also print \"end\" when a tone stops\n"
    "\n"
    "Example:\n"
    "  tarrow tone 2 2 play 123# --length 100\n";

}  // namespace

TARROW_COMMAND("tone", kUsage, "play tones on a channel or print the tones it hears", Run, kHelp);

}  // namespace tarrow
