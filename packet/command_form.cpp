// Forming commands and packet headers.
#include <cstring>

#include "api/address_mode.h"
#include "api/frame.h"
#include "api/result.h"
#include "packet/encoding.h"
#include "packet/outcome.h"

using vtx::Fail;
using vtx::packet::FormError;
using vtx::packet::PutFixed;

static int FormCmdWorker(MillArgs* args, const MillTagItem* tags) {
  if (args->cmd_buf == nullptr) return Fail(args, APIERR_BADPARAMETER);
  uint64_t body = 1;  // the verb
  switch (args->verb) {
    case MILL_VERB_START:
    case MILL_VERB_FINISH:
    case MILL_VERB_EVENT:
    case MILL_VERB_REQUEST:
      body += vtx::packet::VarintSize(args->code);
      break;
    case MILL_VERB_DATA:
      if (args->tag_ptr == nullptr) return Fail(args, APIERR_BADPARAMETER);
      body += 4 + (static_cast<uint64_t>(args->data_bits) + 7) / 8;
      break;
    case MILL_VERB_SET:
    case MILL_VERB_GET:
      break;
    default:
      return FormError(args, APIERR_BADPARAMETER, "MillFormCmd- Bad command verb");
  }
  // The bit count of DATA is a 16-bit field.
  if (body > MILL_MAX_CMD_LEN || (args->verb == MILL_VERB_DATA && args->data_bits > 0xFFFF)) {
    return FormError(args, APIERR_PACKET_CREATION, "MillFormCmd- Command too long");
  }
  uint8_t* out = args->cmd_buf;
  PutFixed(out, static_cast<uint32_t>(body), 2);
  out[2] = static_cast<uint8_t>(args->verb);
  if (args->verb == MILL_VERB_DATA) {
    PutFixed(out + 3, args->data_bits, 2);
    PutFixed(out + 5, args->code, 2);
    memmove(out + 7, args->tag_ptr, (args->data_bits + 7) / 8);
  } else if (body > 1) {
    vtx::packet::PutVarint(out + 3, args->code);
  }
  args->cmd_len = static_cast<uint32_t>(body) + 2;
  args->tag_count = 0;
  if (args->verb == MILL_VERB_DATA) return static_cast<int>(args->cmd_len);
  args->tag_list = tags;
  return MillFormTagList(args);
}

// In 7-bit mode every address is written as 4 bytes, bit 7 set in the first three.
static int FormPktHeaderWorker(MillArgs* args) {
  if (args->pkt_buf == nullptr) return Fail(args, APIERR_BADPARAMETER);
  const bool full_byte = vtx::FullByteAddressMode();
  uint8_t* out = args->pkt_buf;
  PutFixed(out, MILL_HEADER_LEN + args->cmd_len - 2, 2);
  out[2] = static_cast<uint8_t>(args->pkt_flags | (full_byte ? MILL_PKT_FULL_BYTE : 0) |
                                (args->pkt_saved ? MILL_PKT_SRC_FACILITY : 0));
  const uint8_t continuation = full_byte ? 0 : 0x80;
  for (int i = 0; i < 4; ++i) {
    const uint8_t mark = i < 3 ? continuation : 0;
    out[3 + i] = args->dest_addr[i] | mark;
    out[7 + i] = args->src_addr[i] | mark;
  }
  args->pkt_len = MILL_HEADER_LEN;
  return MILL_HEADER_LEN;
}

namespace {

template <typename Put>
int PutValue(MillArgs* args, Put put) {
  if (args->value_ptr == nullptr) return Fail(args, APIERR_BADPARAMETER);
  const auto n = static_cast<uint32_t>(put(args->value_ptr, args->var_value));
  args->value_ptr += n;
  args->value_len = n;
  return static_cast<int>(n);
}

}  // namespace

static int PutVarintWorker(MillArgs* args) {
  return PutValue(args, vtx::packet::PutVarint);
}

static int PutVarint15Worker(MillArgs* args) {
  return PutValue(args, vtx::packet::PutVarint15);
}

static int PutFixedWorker(MillArgs* args) {
  const uint32_t width = args->value_len;
  if (args->value_ptr == nullptr || (width != 1 && width != 2 && width != 4)) {
    return Fail(args, APIERR_BADPARAMETER);
  }
  PutFixed(args->value_ptr, args->var_value, width);
  args->value_ptr += width;
  return static_cast<int>(width);
}

// The public entries pass through the call frame like every operation of the library.
using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" {

int MillFormCmd(MillArgs* args, const MillTagItem* tags) {
  // The frame takes the record as the last argument.
  return Framed<Family::kPacket, Carry::kOutput>(
      +[](const MillTagItem* list, MillArgs* record) { return FormCmdWorker(record, list); }, tags,
      args);
}

int MillFormPktHeader(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(FormPktHeaderWorker, args);
}

int MillPutVarint(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(PutVarintWorker, args);
}

int MillPutVarint15(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(PutVarint15Worker, args);
}

int MillPutFixed(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(PutFixedWorker, args);
}

}  // extern "C"
