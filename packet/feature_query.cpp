// The feature information query: one feature of the module's list per call. The first call of
// an enumeration asks the firmware for the list; every call reads the next FTRL_FEATURE_LIST
// event, whose feature text is a key, a type character and a value.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "admin.h"
#include "api/frame.h"
#include "api/line.h"
#include "api/result.h"
#include "packet/command_reader.h"
#include "packet/line_io.h"
#include "packet/send_receive.h"
#include "trace/api_log.h"

namespace vtx::packet {
namespace {

constexpr const char* kName = "VtxFeatureSetQuery";
constexpr size_t kMaxKey = sizeof(VtxFeatureArgs::key) - 1;

// A feature text, cut at its first 0 byte and at the end of the tag's data.
struct FeatureText {
  char text[MILL_RECEIVE_BUFFER + 1] = {};
  size_t length = 0;
};

void ReturnTrace(const VtxLine* line, const VtxFeatureArgs* args) {
  // A text value may fill its field without a terminating 0.
  char value[sizeof args->output_value_string + 1] = {};
  memcpy(value, args->output_value_string, sizeof args->output_value_string);
  trace::CallReturn(line, kName, args, "key=%s,type=%d,value_int=%d,output_value_string=%s",
                    args->key, args->type, args->value_int, value);
}

bool SendQuery(VtxLine* line, VtxFeatureArgs* args) {
  MillArgs send{};
  send.facility = MILL_FACILITY_ADMIN;
  send.verb = MILL_VERB_REQUEST;
  send.code = ADMIN_FTRL_QUERY_REQUEST;
  send.timeout = kForever;
  send.incoming_flag = 2;
  FormSendCmd(line, &send);
  if (send.status == CV_STATUS_OK) return true;
  CopyResult(args, send);
  return false;
}

// Waits for the next FTRL_FEATURE_LIST event and takes the text of its last FTRL_FEATURE tag;
// the rest of its packet is processed. False with the result words set on failure.
bool ReadEvent(VtxLine* line, VtxFeatureArgs* args, FeatureText& feature) {
  MillArgs event{};
  event.facility = MILL_FACILITY_ADMIN;
  event.verb = MILL_VERB_EVENT;
  event.code = ADMIN_FTRL_FEATURE_LIST_EVENT;
  event.timeout = kForever;
  event.no_drain = 1;
  if (WaitCmd(line, &event) != 1) {
    CopyResult(args, event);
    return false;
  }
  TagReader tags(event.tag_ptr, event.tags_left, false);
  Tag tag;
  while (tags.Next(tag)) {
    if (tag.id != ADMIN_FTRL_FEATURE_VAR) continue;
    size_t length = 0;
    while (length < tag.data_len && length < sizeof feature.text - 1 && tag.data[length] != 0) {
      ++length;
    }
    memcpy(feature.text, tag.data, length);
    feature.text[length] = '\0';
    feature.length = length;
  }
  event.timeout = 0;
  while (GetNextCmd(line, &event) == 1) {
  }
  if (event.status != CV_STATUS_OK && event.status != CV_STATUS_TIMEOUT) {
    CopyResult(args, event);
    return false;
  }
  return true;
}

// Splits the text into the record's key, type and value. False with the result words set.
bool ParseFeature(const VtxLine* line, const FeatureText& feature, VtxFeatureArgs* args) {
  const char* text = feature.text;
  size_t key_length = 0;
  while (isalnum(static_cast<unsigned char>(text[key_length]))) ++key_length;
  if (key_length == 0) {
    trace::Message(line, trace::kLevelInfo, "Feature error, key name not found");
    Fail(args, APIERR_INVALID_BOARD_PARAM);
    return false;
  }
  // A longer key than the record holds keeps its first characters.
  memset(args->key, 0, sizeof args->key);
  memcpy(args->key, text, key_length < kMaxKey ? key_length : kMaxKey);
  args->type = static_cast<unsigned char>(text[key_length]);
  const char* value = text + key_length + (text[key_length] != '\0' ? 1 : 0);
  switch (args->type) {
    case VTX_FEATURE_BOOLEAN:
      args->value_int = value[0] == 'F' ? 0 : 1;
      trace::Message(line, trace::kLevelInfo, "Feature: %s = %c", args->key,
                     args->value_int == 1 ? 'T' : 'F');
      return true;
    case VTX_FEATURE_TEXT:
      // A value of 128 bytes or more fills the field without a terminating 0.
      memset(args->output_value_string, 0, sizeof args->output_value_string);
      memcpy(args->output_value_string, value,
             std::min(strlen(value), sizeof args->output_value_string));
      trace::Message(line, trace::kLevelInfo, "Feature: %s = %.*s", args->key,
                     static_cast<int>(sizeof args->output_value_string), args->output_value_string);
      return true;
    case VTX_FEATURE_INTEGER:
      args->value_int = static_cast<int32_t>(strtol(value, nullptr, 10));
      trace::Message(line, trace::kLevelInfo, "Feature: %s = %d", args->key, args->value_int);
      return true;
    default:
      trace::Message(line, trace::kLevelInfo, "Feature error, key %s unknown type %d", args->key,
                     args->type);
      Fail(args, APIERR_INVALID_BOARD_PARAM);
      return false;
  }
}

void FeatureSetQueryWorker(VtxLine* line, VtxFeatureArgs* args) {
  trace::CallEntry(line, kName, nullptr);
  if (line == nullptr) {
    Fail(args, APIERR_BADPARAMETER);
    trace::CallReturn(line, kName, args, nullptr);
    return;
  }
  if (args->async_lp != 0 || line->nesting != 0) {
    Fail(args, APIERR_ASYNC_LP_ERR);
    trace::CallReturn(line, kName, args, nullptr);
    return;
  }
  if (line->firmware.op_in_progress == 0) {
    if (!HasCapability(line, kCapFeatureQuery)) {
      Fail(args, APIERR_BOARDCAPABILITY);
      trace::CallReturn(line, kName, args, nullptr);
      return;
    }
    if (!SendQuery(line, args)) {
      trace::CallReturn(line, kName, args, nullptr);
      return;
    }
    line->firmware.op_in_progress = kOpFeatureList;
  }
  FeatureText feature;
  if (!ReadEvent(line, args, feature)) {
    trace::CallReturn(line, kName, args, nullptr);
    return;
  }
  if (feature.length == 0) {
    memset(args->key, 0, sizeof args->key);
    line->firmware.op_in_progress = 0;
    ReturnTrace(line, args);
    return;
  }
  if (!ParseFeature(line, feature, args)) {
    trace::CallReturn(line, kName, args, nullptr);
    return;
  }
  ReturnTrace(line, args);
}

}  // namespace
}  // namespace vtx::packet

extern "C" void VtxFeatureSetQuery(VtxLine* line, VtxFeatureArgs* args) {
  using vtx::api::Carry;
  using vtx::api::Family;
  vtx::api::Framed<Family::kFeature, Carry::kOutput>(vtx::packet::FeatureSetQueryWorker, line,
                                                     args);
}
