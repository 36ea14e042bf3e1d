// Board state, temperature and notification: variables and a mode of the module's ADMIN
// facility, read and written through a line attached to the module.
#include "admin.h"
#include "api/convert.h"
#include "api/frame.h"
#include "api/line.h"
#include "packet/command_reader.h"
#include "packet/event_hooks.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "packet/variables.h"
#include "teleph/board_ops.h"
#include "teleph/request.h"
#include "trace/api_log.h"

namespace vtx::teleph {
namespace {

constexpr int32_t kNoTemperature = 1000;  // what a board without a thermometer reads
constexpr uint32_t kNotifyTypes = 32;

// A variable exchange with the module itself.
MillArgs BoardVariable(uint32_t id) {
  MillArgs args{};
  args.facility = MILL_FACILITY_ADMIN;
  args.tag_id = id;
  args.use_alt_chan = 1;
  args.no_hangup = 1;
  args.incoming_flag = 2;
  args.timeout = packet::kForever;
  return args;
}

void SetVariable(VtxLine* line, uint32_t id, uint32_t type, uint32_t value, VtxResult* result) {
  MillArgs set = BoardVariable(id);
  set.tag_type = type;
  set.var_value = value;
  packet::SetSingleVar(line, &set);
  CopyResult(result, set);
}

// The board notification handler: hands the event's type to the line's function.
void NotifyHandler(VtxLine* line, MillArgs* work) {
  if (line->board.board_notify_func == nullptr) return;
  VtxBoardNotifyArgs record{};
  record.enable = 1;
  record.notify_type = CommandTagInt(*work, ADMIN_BOARD_NOTIFY_TYPE_VAR);
  record.func = line->board.board_notify_func;
  api::CallbackRecord app(api::Family::kBoard, &record);
  if (app.get() == nullptr) {
    Fail(work, APIERR_VERSION);
    return;
  }
  packet::InCallback(line, [&] {
    line->board.board_notify_func(line, static_cast<VtxBoardNotifyArgs*>(app.get()));
    return 0;
  });
  app.Finish();
}

// START or FINISH of the board notification mode for the record's type, and the module's answer.
bool SwitchNotification(VtxLine* line, VtxBoardNotifyArgs* args) {
  const bool enable = args->enable > 0;
  MillArgs send{};
  send.facility = MILL_FACILITY_ADMIN;
  send.verb = enable ? MILL_VERB_START : MILL_VERB_FINISH;
  send.code = ADMIN_BOARD_NOTIFY_MODE;
  send.incoming_flag = 3;
  send.timeout = packet::kForever;
  const MillTagItem tags[] = {
      {ADMIN_BOARD_NOTIFY_TYPE_VAR, MILL_TYPE_BYTE, 0, MILL_TAG_VALUE(args->notify_type)},
      {0, 0, 0, nullptr}};
  send.tag_list = tags;
  if (!SendFormed(line, send, ResultOf(args))) return false;
  MillArgs answer;
  if (WaitEvent(line, &answer, MILL_FACILITY_ADMIN,
                enable ? ADMIN_BOARD_NOTIFY_STARTED_EVENT : ADMIN_BOARD_NOTIFY_FINISHED_EVENT,
                packet::kForever) != 1) {
    CopyResult(args, answer);
    return false;
  }
  return DrainRest(line, &answer, ResultOf(args));
}

}  // namespace

void BoardStateGet(VtxLine* line, VtxBoardStateArgs* args) {
  const char* name = "VtxBoardStateGet";
  trace::CallEntry(line, name, nullptr);
  if (OperationAllowed(line, args->async_lp, {kCapBoard}, ResultOf(args))) {
    MillArgs get = BoardVariable(ADMIN_BOARD_STATE_VAR);
    packet::GetVar(line, &get);
    CopyResult(args, get);
    if (get.status == CV_STATUS_OK) args->state = get.var_value;
  }
  trace::CallReturn(line, name, args, "state=%u", args->state);
}

void BoardStateSet(VtxLine* line, VtxBoardStateArgs* args) {
  const char* name = "VtxBoardStateSet";
  trace::CallEntry(line, name, "state=%u", args->state);
  if (OperationAllowed(line, args->async_lp, {kCapBoard}, ResultOf(args))) {
    SetVariable(line, ADMIN_BOARD_STATE_VAR, MILL_TYPE_BYTE, args->state, ResultOf(args));
  }
  trace::CallReturn(line, name, args, nullptr);
}

void BoardTemperatureGet(VtxLine* line, VtxTemperatureArgs* args) {
  const char* name = "VtxBoardTemperatureGet";
  trace::CallEntry(line, name, nullptr);
  if (OperationAllowed(line, args->async_lp, {}, ResultOf(args))) {
    if (!HasCapability(line, kCapBoard)) {
      args->current_temp = kNoTemperature;
    } else {
      MillArgs get = BoardVariable(ADMIN_BOARD_TEMP_VAR);
      packet::GetVar(line, &get);
      CopyResult(args, get);
      if (get.status == CV_STATUS_OK) args->current_temp = static_cast<int32_t>(get.var_value);
    }
  }
  trace::CallReturn(line, name, args, "current_temp=%d", args->current_temp);
}

void BoardTemperatureThreshSet(VtxLine* line, VtxTemperatureArgs* args) {
  const char* name = "VtxBoardTemperatureThreshSet";
  trace::CallEntry(line, name, "temp_thresh=%d", args->temp_thresh);
  if (OperationAllowed(line, args->async_lp, {}, ResultOf(args))) {
    SetVariable(line, ADMIN_BOARD_TEMP_THRESH_VAR, MILL_TYPE_SHORT | MILL_TYPE_SIGNED,
                static_cast<uint32_t>(args->temp_thresh) & 0xFFFF, ResultOf(args));
  }
  trace::CallReturn(line, name, args, nullptr);
}

void BoardNotify(VtxLine* line, VtxBoardNotifyArgs* args) {
  const char* name = "VtxBoardNotify";
  trace::CallEntry(line, name, "enable=%d,notify_type=%u,func=0x%lX", args->enable,
                   args->notify_type,
                   static_cast<unsigned long>(reinterpret_cast<uintptr_t>(args->func)));
  if (OperationAllowed(line, args->async_lp, {kCapBoard}, ResultOf(args))) {
    line->board.board_notify_func = args->func;
    if (args->func != nullptr)
      packet::InstallEventHandler(packet::HookedEvent::kBoardNotify, NotifyHandler);
    if (args->notify_type != 0 && SwitchNotification(line, args) &&
        args->notify_type <= kNotifyTypes) {
      const uint32_t bit = 1u << (args->notify_type - 1);
      line->board.board_notify_enabled = args->enable > 0 ? line->board.board_notify_enabled | bit
                                                          : line->board.board_notify_enabled & ~bit;
    }
  }
  trace::CallReturn(line, name, args, nullptr);
}

}  // namespace vtx::teleph

using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" void VtxBoardStateGet(VtxLine* line, VtxBoardStateArgs* args) {
  Framed<Family::kBoard, Carry::kOutput>(vtx::teleph::BoardStateGet, line, args);
}

extern "C" void VtxBoardStateSet(VtxLine* line, VtxBoardStateArgs* args) {
  Framed<Family::kBoard, Carry::kInputOnly>(vtx::teleph::BoardStateSet, line, args);
}

extern "C" void VtxBoardTemperatureGet(VtxLine* line, VtxTemperatureArgs* args) {
  Framed<Family::kTemperature, Carry::kOutput>(vtx::teleph::BoardTemperatureGet, line, args);
}

extern "C" void VtxBoardTemperatureThreshSet(VtxLine* line, VtxTemperatureArgs* args) {
  Framed<Family::kTemperature, Carry::kInputOnly>(vtx::teleph::BoardTemperatureThreshSet, line,
                                                  args);
}

extern "C" void VtxBoardNotify(VtxLine* line, VtxBoardNotifyArgs* args) {
  Framed<Family::kBoard, Carry::kInputOnly>(vtx::teleph::BoardNotify, line, args);
}
