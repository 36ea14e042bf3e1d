// Reading a command: its verb fields, its tags one by one and the integer elements of a tag.
// Every read is bounded by the command length (or the tag area, or the tag data) in args.
#include <cstddef>

#include "api/frame.h"
#include "api/result.h"
#include "packet/encoding.h"
#include "packet/outcome.h"

using vtx::Fail;
using vtx::packet::GetVarint;
using vtx::packet::ParseError;

static int ParseCmdWorker(MillArgs* args) {
  static const char kItem[] = "command";
  const uint8_t* cmd = args->cmd_buf;
  if (cmd == nullptr) return Fail(args, APIERR_BADPARAMETER);
  const size_t len = args->cmd_len;
  if (len < 3 || vtx::packet::GetFixed(cmd, 2) != len - 2) return ParseError(args, kItem);
  args->verb = cmd[2];
  args->code = 0;
  args->data_bits = 0;
  size_t pos = 3;
  switch (args->verb) {
    case MILL_VERB_START:
    case MILL_VERB_FINISH:
    case MILL_VERB_EVENT:
    case MILL_VERB_REQUEST: {
      const size_t n = GetVarint(cmd + pos, len - pos, args->code);
      if (n == 0) return ParseError(args, kItem);
      pos += n;
      break;
    }
    case MILL_VERB_DATA:
      if (len < pos + 4) return ParseError(args, kItem);
      args->data_bits = vtx::packet::GetFixed(cmd + pos, 2);
      args->code = vtx::packet::GetFixed(cmd + pos + 2, 2);
      pos += 4;
      break;
    default:
      break;
  }
  args->tag_ptr = args->cmd_buf + pos;
  args->tags_left = static_cast<uint32_t>(len - pos);
  return 1;
}

// Fills the record for the tag at tag_ptr whose header (length, id, type) takes `header` bytes
// of its `end`.
static inline int TakeTag(MillArgs* args, uint8_t* tag, size_t header, size_t end) {
  args->tag_data_ptr = tag + header;
  args->tag_data_len = static_cast<uint32_t>(end - header);
  args->value_ptr = args->tag_data_ptr;
  args->value_len = args->tag_data_len;
  args->tag_len = static_cast<uint32_t>(end);
  args->tag_ptr = tag + end;
  args->tags_left -= static_cast<uint32_t>(end);
  return 1;
}

// Any tag, its codes of any length.
static __attribute__((noinline)) int GetAnyTag(MillArgs* args, uint8_t* tag) {
  static const char kItem[] = "getting tagged values";
  uint32_t body;
  const size_t length_size = GetVarint(tag, args->tags_left, body);
  if (length_size == 0 || body > args->tags_left - length_size) return ParseError(args, kItem);
  const size_t end = length_size + body;
  uint32_t value;
  size_t pos = length_size;
  size_t n = GetVarint(tag + pos, end - pos, value);
  if (n == 0) return ParseError(args, kItem);
  args->tag_id = value;
  pos += n;
  if (args->verb == MILL_VERB_GET) {
    args->tag_type = 0;
    pos = end;
  } else {
    n = GetVarint(tag + pos, end - pos, value);
    if (n == 0) return ParseError(args, kItem);
    args->tag_type = value;
    pos += n;
  }
  return TakeTag(args, tag, pos, end);
}

static int GetTagWorker(MillArgs* args) {
  const uint32_t left = args->tags_left;
  if (left == 0) return 0;
  uint8_t* tag = args->tag_ptr;
  if (tag == nullptr) return Fail(args, APIERR_BADPARAMETER);
  // Most tags of a SET or a reply have a length, id and type of one byte each.
  const uint32_t body = tag[0];
  if (left >= 3 && ((tag[0] | tag[1] | tag[2]) & 0x80) == 0 && body >= 2 && body < left &&
      args->verb != MILL_VERB_GET) {
    args->tag_id = tag[1];
    args->tag_type = tag[2];
    return TakeTag(args, tag, 3, body + 1);
  }
  return GetAnyTag(args, tag);
}

namespace {

// Reads one code at the value cursor with `read`; advances the cursor. False when it runs past.
template <typename Read>
bool ReadValue(MillArgs* args, Read read, uint32_t& value) {
  const size_t n = args->value_ptr == nullptr ? 0 : read(args->value_ptr, args->value_len, value);
  args->value_used = static_cast<uint32_t>(n);
  if (n == 0) return false;
  args->value_ptr += n;
  args->value_len -= static_cast<uint32_t>(n);
  return true;
}

size_t ReadFixedElement(const uint8_t* in, size_t avail, size_t width, uint32_t& value) {
  if (avail < width) return 0;
  value = vtx::packet::GetFixed(in, width);
  return width;
}

uint32_t ValueError(MillArgs* args) {
  Fail(args, APIERR_PACKET_PARSE);
  return 0;
}

}  // namespace

// A signed byte or short element extends its sign.
static inline uint32_t Signed(uint32_t type, uint32_t value) {
  if (type & MILL_TYPE_SIGNED) {
    const uint32_t base = type & MILL_TYPE_BASE_MASK;
    if (base == MILL_TYPE_BYTE) return static_cast<uint32_t>(static_cast<int8_t>(value));
    if (base == MILL_TYPE_SHORT) return static_cast<uint32_t>(static_cast<int16_t>(value));
  }
  return value;
}

// Any integer element, its codes of any length.
static __attribute__((noinline)) int32_t GetAnyTagInt(MillArgs* args) {
  const uint32_t type = args->tag_type;
  const uint32_t base = type & MILL_TYPE_BASE_MASK;
  uint32_t value = 0;
  bool ok = false;
  if ((type & MILL_TYPE_EXT) == 0) {
    const size_t width = vtx::packet::BaseSize(type);
    ok = width != 0 && ReadValue(
                           args,
                           [width](const uint8_t* in, size_t avail, uint32_t& v) {
                             return ReadFixedElement(in, avail, width, v);
                           },
                           value);
  } else if (base == MILL_TYPE_BYTE) {
    ok = ReadValue(args, vtx::packet::GetVarint, value);
  } else if (base == MILL_TYPE_SHORT) {
    ok = ReadValue(args, vtx::packet::GetVarint15, value);
  }
  if (!ok) {
    args->value_used = 0;
    ParseError(args, "integer tagged value");
    return 0;
  }
  value = Signed(type, value);
  args->var_value = value;
  return static_cast<int32_t>(value);
}

static int32_t GetTagIntWorker(MillArgs* args) {
  const uint32_t type = args->tag_type;
  const uint8_t* in = args->value_ptr;
  const uint32_t avail = args->value_len;
  // Fixed elements, and Ext Byte codes of one byte, are read here; the rest by GetAnyTagInt.
  uint32_t value, used;
  switch (type & (MILL_TYPE_EXT | MILL_TYPE_BASE_MASK)) {
    case MILL_TYPE_BYTE:
      used = 1;
      break;
    case MILL_TYPE_SHORT:
      used = 2;
      break;
    case MILL_TYPE_LONG:
      used = 4;
      break;
    case MILL_TYPE_EXT | MILL_TYPE_BYTE:
      used = in != nullptr && avail > 0 && in[0] < 0x80 ? 1 : 0;
      break;
    default:
      used = 0;
  }
  if (in == nullptr || used == 0 || avail < used) return GetAnyTagInt(args);
  value = vtx::packet::GetFixed(in, used);
  args->value_used = used;
  args->value_ptr += used;
  args->value_len = avail - used;
  value = Signed(type, value);
  args->var_value = value;
  return static_cast<int32_t>(value);
}

static uint32_t GetVarintWorker(MillArgs* args) {
  uint32_t value = 0;
  return ReadValue(args, vtx::packet::GetVarint, value) ? value : ValueError(args);
}

static uint32_t GetVarint15Worker(MillArgs* args) {
  uint32_t value = 0;
  return ReadValue(args, vtx::packet::GetVarint15, value) ? value : ValueError(args);
}

// A fixed value is exactly value_len bytes; the width stays for the next read.
static uint32_t GetFixedWorker(MillArgs* args) {
  const uint32_t width = args->value_len;
  if (args->value_ptr == nullptr || (width != 1 && width != 2 && width != 4)) {
    Fail(args, APIERR_BADPARAMETER);
    return 0;
  }
  const uint32_t value = vtx::packet::GetFixed(args->value_ptr, width);
  args->value_ptr += width;
  args->value_used = width;
  return value;
}

// The public entries pass through the call frame like every operation of the library.
using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" {

int MillParseCmd(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(ParseCmdWorker, args);
}

int MillGetTag(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(GetTagWorker, args);
}

int32_t MillGetTagInt(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(GetTagIntWorker, args);
}

uint32_t MillGetVarint(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(GetVarintWorker, args);
}

uint32_t MillGetVarint15(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(GetVarint15Worker, args);
}

uint32_t MillGetFixed(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(GetFixedWorker, args);
}

}  // extern "C"
