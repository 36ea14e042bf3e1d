#include "packet/event_hooks.h"

#include <atomic>

#include "admin.h"
#include "api/line.h"
#include "api/result.h"
#include "ecc.h"
#include "fax.h"
#include "packet/command_reader.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "sig_det.h"
#include "sig_gen.h"
#include "speech.h"
#include "tele_ctrl.h"
#include "trace/api_log.h"

namespace vtx::packet {
namespace {

constexpr uint32_t kSpeechSecondCount = 0x48;
constexpr uint32_t kHoldupMarkOnly = 7;  // a holdup kind that only marks the line
constexpr uint32_t kHoldupPage = 5;      // answered with the line's fax parameters
constexpr uint8_t kHoldupSeen = 0x80;
constexpr uint32_t kStateTraining = 5;
constexpr uint32_t kStateDirectionChange = 7;
constexpr uint32_t kStateHoldup = 9;
constexpr uint32_t kStateLoopLost = 10;
constexpr uint32_t kHangupNoLoopCurrent = 3;  // HNG_NO_LOOP_CURRENT

// The first integer of the tag `id` in the command, or `fallback`.
int32_t TagInt(const MillArgs* work, uint32_t id, int32_t fallback, bool* found = nullptr) {
  TagReader tags(work->tag_ptr, work->tags_left, false);
  Tag tag;
  while (tags.Next(tag)) {
    if (tag.id == id) {
      if (found != nullptr) *found = true;
      return tag.Int(fallback);
    }
  }
  if (found != nullptr) *found = false;
  return fallback;
}

void SpeechEvent(VtxLine* line, const MillArgs* work) {
  switch (work->code) {
    case SPEECH_RECORD_FINISHED_EVENT:
    case SPEECH_PLAYBACK_FINISHED_EVENT:
      line->play_record_finished = true;
      line->bytes_processed = static_cast<uint32_t>(TagInt(work, SPEECH_BYTES_PROCESSED_VAR, 0));
      line->bytes_second = static_cast<uint32_t>(TagInt(work, kSpeechSecondCount, 0));
      break;
    case SPEECH_VAD_SPEECH_STARTED_EVENT:
      line->speech_active = true;
      line->bytes_processed = static_cast<uint32_t>(
          TagInt(work, SPEECH_BYTES_PROCESSED_VAR, static_cast<int32_t>(line->bytes_processed)));
      break;
    case SPEECH_VAD_SPEECH_ENDED_EVENT:
      line->speech_active = false;
      break;
    default:
      break;
  }
}

// A T30 holdup: the application decides whether the fax session goes on.
void Holdup(VtxLine* line, MillArgs* work) {
  if (line->holdup_callback == nullptr) {
    trace::Message(line, trace::kLevelError, "Holdup function NULL!");
    return;
  }
  const auto kind = static_cast<uint32_t>(TagInt(work, FAX_T30_HOLDUP_SECTION_VAR, 0));
  line->holdup_mcf_fsk = static_cast<uint8_t>(TagInt(work, FAX_T30H_RCV_MCF_FSK_VAR, 0));
  if (kind == kHoldupMarkOnly) {
    line->holdup_flags |= kHoldupSeen;
    return;
  }
  const uint32_t state = line->line_state;
  line->line_state = kStateHoldup;
  const int answer =
      InCallback(line, [&] { return line->holdup_callback(line, line->holdup_context, kind); });
  line->line_state = state;
  if (answer != 0) {
    line->line_state = 0;  // the fax session ends
    return;
  }
  MillArgs send{};
  send.facility = MILL_FACILITY_FAX;
  send.verb = MILL_VERB_REQUEST;
  send.code = FAX_T30_CONTINUE_REQUEST;
  send.prio = 1;
  send.incoming_flag = 3;
  send.timeout = kForever;
  const MillTagItem page[] = {
      {FAX_CAN_XMIT_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(line->fax_can_xmit)},
      {FAX_CAN_RCV_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(line->fax_can_rcv)},
      {FAX_XMIT_PG_RES_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(line->fax_page_res)},
      {FAX_XMIT_PG_WIDTH_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(line->fax_page_width)},
      {FAX_EFF_PAGE_TYPE_VAR, MILL_TYPE_LONG, 0, MILL_TAG_VALUE(line->fax_page_type)},
      {0, 0, 0, nullptr}};
  const MillTagItem none[] = {{0, 0, 0, nullptr}};
  send.tag_list = kind == kHoldupPage ? page : none;
  FormSendCmd(line, &send);
  CopyResult(work, send);
}

void PageCallback(VtxLine* line, int kind) {
  if (line->page_callback == nullptr) return;
  InCallback(line, [&] {
    line->page_callback(line, kind, line->page_context);
    return 0;
  });
}

void FaxEvent(VtxLine* line, MillArgs* work) {
  switch (work->code) {
    case FAX_XMIT_RCV_FINISHED_EVENT:
      line->line_state = 0;
      if (line->pending_hangup == 0) {
        line->pending_hangup = static_cast<uint32_t>(TagInt(work, FAX_TERMINATION_CODE_VAR, 0));
      }
      break;
    case FAX_TRAINING_COMPLETED_EVENT:
      line->line_state = kStateTraining;
      break;
    case FAX_PAGE_COMPLETE_EVENT:
      line->fax_page_done = true;
      PageCallback(line, 1);
      break;
    case FAX_CONFIRMATION_EVENT:
      line->fax_confirmation = static_cast<uint32_t>(TagInt(work, FAX_CONF_VAL_VAR, 0));
      line->fax_confirmed = true;
      PageCallback(line, 2);
      break;
    case FAX_DIRECTION_CHANGE_EVENT:
      line->line_state = kStateDirectionChange;
      break;
    case FAX_T30_HOLDUP_EVENT:
      Holdup(line, work);
      break;
    default:
      break;
  }
}

void LoopCurrentLost(VtxLine* line) {
  if (line->call_state == 2) {
    line->line_state = kStateLoopLost;
  } else if (line->call_state != 5) {
    line->line_state = 0;
    if (line->pending_hangup == 0) line->pending_hangup = kHangupNoLoopCurrent;
  }
}

std::atomic<EventHandler> g_handlers[static_cast<size_t>(HookedEvent::kCount)];

void Handle(HookedEvent event, VtxLine* line, MillArgs* work) {
  const EventHandler handler = g_handlers[static_cast<size_t>(event)].load();
  if (handler != nullptr) handler(line, work);
}

void AdminEvent(VtxLine* line, MillArgs* work) {
  if (work->code == ADMIN_BOARD_NOTIFY_EVENT) Handle(HookedEvent::kBoardNotify, line, work);
  if (work->code == ADMIN_BOARD_TEST_STATUS_EVENT) {
    Handle(HookedEvent::kBoardTestStatus, line, work);
  }
}

}  // namespace

void InstallEventHandler(HookedEvent event, EventHandler handler) {
  g_handlers[static_cast<size_t>(event)].store(handler);
}

void ApplyEventHooks(VtxLine* line, MillArgs* work) {
  switch (work->facility) {
    case MILL_FACILITY_ADMIN:
      AdminEvent(line, work);
      break;
    case MILL_FACILITY_TELE_CTRL:
      if (work->code == TELE_CTRL_SIG_STATE_EVENT) Handle(HookedEvent::kSignalingState, line, work);
      break;
    case MILL_FACILITY_SPEECH:
      SpeechEvent(line, work);
      break;
    case MILL_FACILITY_SIG_DET:
      if (work->code == SIG_DET_SIGNAL_DETECTION_EVENT) {
        Handle(HookedEvent::kToneDetection, line, work);
      }
      break;
    case MILL_FACILITY_SIG_GEN:
      if (work->code == SIG_GEN_TONE_PAT_FINISHED_EVENT) line->tone_pattern_finished = true;
      break;
    case MILL_FACILITY_FAX:
      FaxEvent(line, work);
      break;
    case MILL_FACILITY_ECC:
      if (work->code == ECC_LOOP_CUR_LOST_EVENT) LoopCurrentLost(line);
      break;
    default:
      break;
  }
}

}  // namespace vtx::packet
