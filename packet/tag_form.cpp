// Forming tags: one tag at a position, or appended to a formed command, singly or from a list.
// A tag's size is worked out before anything is written, so a refused tag writes nothing and a
// long tag needs no move of its body.
#include <cstdarg>
#include <cstring>

#include "api/frame.h"
#include "api/result.h"
#include "packet/encoding.h"
#include "packet/outcome.h"

namespace vtx::packet {
namespace {

struct TagPlan {
  const uint8_t* data = nullptr;
  uint32_t data_len = 0;
  uint8_t value[4] = {};  // an integer tag formed from the value in the data pointer word
  uint32_t body = 0;      // bytes after the length varint
  uint32_t total = 0;
};

// Checks the tag described by args and sizes it; -1 (with the failure set) when refused.
int PlanTag(MillArgs* args, TagPlan& plan) {
  if (args->tag_data_len != 0 && args->tag_data_ptr == nullptr) {
    return Fail(args, APIERR_BADPARAMETER);
  }
  uint64_t body = VarintSize(args->tag_id);
  if (args->verb != MILL_VERB_GET) {
    const uint32_t base = BaseSize(args->tag_type);
    plan.data = args->tag_data_ptr;
    plan.data_len = args->tag_data_len;
    if (base != 0 && plan.data_len % base != 0) {
      return FormError(args, APIERR_PACKET_CREATION,
                       "MillFormTag- Tag data size not multiple of base size.");
    }
    if (plan.data_len == 0) {
      if (base == 0) {
        return FormError(args, APIERR_PACKET_CREATION,
                         "MillFormTag- Tag data size cannot be 0 for non-integer.");
      }
      const auto word = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(args->tag_data_ptr));
      PutFixed(plan.value, word, base);
      plan.data = plan.value;
      plan.data_len = base;
    }
    body += VarintSize(args->tag_type) + static_cast<uint64_t>(plan.data_len);
  }
  if (body > MILL_MAX_TAG_LEN)
    return FormError(args, APIERR_PACKET_CREATION, "MillFormTag- Tag too long");
  plan.body = static_cast<uint32_t>(body);
  plan.total = plan.body + static_cast<uint32_t>(VarintSize(plan.body));
  return 0;
}

void WriteTag(MillArgs* args, const TagPlan& plan) {
  uint8_t* out = args->tag_ptr;
  out += PutVarint(out, plan.body);
  out += PutVarint(out, args->tag_id);
  if (args->verb != MILL_VERB_GET) {
    out += PutVarint(out, args->tag_type);
    memmove(out, plan.data, plan.data_len);
  }
  args->tag_len = plan.total;
}

// Appends the items that `next` yields until it yields a tag id 0.
template <typename Next>
int AppendTags(MillArgs* args, Next next) {
  MillTagItem item;
  while (next(item) && item.tag_id != 0) {
    args->tag_id = item.tag_id;
    args->tag_type = item.tag_type;
    args->tag_data_len = item.data_len;
    args->tag_data_ptr = static_cast<uint8_t*>(const_cast<void*>(item.data));
    if (MillFormAddTag(args) < 0) return -1;
  }
  return static_cast<int>(args->cmd_len);
}

}  // namespace
}  // namespace vtx::packet

using vtx::Fail;
using vtx::packet::FormError;

static int FormTagWorker(MillArgs* args) {
  if (args->tag_ptr == nullptr) return Fail(args, APIERR_BADPARAMETER);
  vtx::packet::TagPlan plan;
  if (PlanTag(args, plan) < 0) return -1;
  WriteTag(args, plan);
  return static_cast<int>(plan.total);
}

static int FormAddTagWorker(MillArgs* args) {
  if (args->cmd_buf == nullptr || args->cmd_len < 2) return Fail(args, APIERR_BADPARAMETER);
  vtx::packet::TagPlan plan;
  if (PlanTag(args, plan) < 0) return -1;
  if (static_cast<uint64_t>(args->cmd_len) + plan.total > MILL_MAX_CMD_LEN) {
    return FormError(args, APIERR_PACKET_CREATION, "MillFormAddTag- Command too long");
  }
  args->tag_ptr = args->cmd_buf + args->cmd_len;
  WriteTag(args, plan);
  args->cmd_len += plan.total;
  vtx::packet::PutFixed(args->cmd_buf, args->cmd_len - 2, 2);
  ++args->tag_count;
  return static_cast<int>(args->cmd_len);
}

static int FormTagListWorker(MillArgs* args) {
  return vtx::packet::AppendTags(args, [args](MillTagItem& item) {
    if (args->tag_list == nullptr) return false;
    item = *args->tag_list;
    if (item.tag_id != 0) ++args->tag_list;
    return true;
  });
}

extern "C" int MillFormTagListArgs(MillArgs* args, ...) {
  // Variadic, so it cannot pass through the frame: its result words start at success here, as
  // the frame starts those of every other operation.
  vtx::SetResult(args, CV_STATUS_OK, 0);
  va_list list;
  va_start(list, args);
  const int result = vtx::packet::AppendTags(args, [&list](MillTagItem& item) {
    item.tag_id = va_arg(list, uint32_t);
    if (item.tag_id == 0) return true;
    item.tag_type = va_arg(list, uint32_t);
    item.data_len = va_arg(list, uint32_t);
    item.data = va_arg(list, const void*);
    return true;
  });
  va_end(list);
  return result;
}

// The public entries pass through the call frame like every operation of the library.
using vtx::api::Carry;
using vtx::api::Family;
using vtx::api::Framed;

extern "C" {

int MillFormTag(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(FormTagWorker, args);
}

int MillFormAddTag(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(FormAddTagWorker, args);
}

int MillFormTagList(MillArgs* args) {
  return Framed<Family::kPacket, Carry::kOutput>(FormTagListWorker, args);
}

}  // extern "C"
