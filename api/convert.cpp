#include "api/convert.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "api/memory.h"
#include "api/version.h"

namespace vtx::api {
namespace {

constexpr int32_t kNoOrdinal = -1;

size_t Count(const FieldDesc& field) {
  return field.count == 0 ? 1 : field.count;
}

// Copies what both spans have and, when asked, clears the rest of the destination.
void CopySpan(const uint8_t* src, size_t src_len, uint8_t* dst, size_t dst_len, WalkMode mode) {
  size_t n = std::min(src_len, dst_len);
  if (n > 0) memcpy(dst, src, n);
  if (mode.zero_fill && dst_len > n) memset(dst + n, 0, dst_len - n);
}

void CopyField(const uint8_t* src, const FieldDesc& sf, uint8_t* dst, const FieldDesc& df,
               WalkMode mode) {
  size_t src_count = Count(sf), dst_count = Count(df);
  size_t n = std::min(src_count, dst_count);
  if (sf.nested == nullptr && df.nested == nullptr && sf.elem_size == df.elem_size) {
    memcpy(dst, src, n * sf.elem_size);
  } else {
    for (size_t k = 0; k < n; ++k) {
      const uint8_t* from = src + k * sf.elem_size;
      uint8_t* to = dst + k * df.elem_size;
      if (sf.nested != nullptr && df.nested != nullptr) {
        CopyLayout(from, sf.elem_size, sf.nested, to, df.elem_size, df.nested, mode);
      } else {
        CopySpan(from, sf.elem_size, to, df.elem_size, mode);
      }
    }
  }
  if (mode.zero_fill && dst_count > n)
    memset(dst + n * df.elem_size, 0, (dst_count - n) * df.elem_size);
  if (mode.terminate && df.terminate) memset(dst + (dst_count - 1) * df.elem_size, 0, df.elem_size);
}

bool SizeOfArray(size_t count, size_t elem_size, size_t* bytes) {
  if (count == 0 || count > SIZE_MAX / elem_size) return false;
  *bytes = count * elem_size;
  return true;
}

}  // namespace

void CopyLayout(const uint8_t* src, size_t src_size, const FieldDesc* src_fields, uint8_t* dst,
                size_t dst_size, const FieldDesc* dst_fields, WalkMode mode) {
  size_t s = 0, d = 0;
  for (const FieldDesc *sf = src_fields, *df = dst_fields;
       sf != nullptr && df != nullptr && sf->elem_size != 0 && df->elem_size != 0; ++sf, ++df) {
    size_t s_end = sf->offset + Count(*sf) * sf->elem_size;
    size_t d_end = df->offset + Count(*df) * df->elem_size;
    // A field outside its record or behind the previous one ends the walk: the rest is tail.
    if (sf->offset < s || s_end > src_size || df->offset < d || d_end > dst_size) break;
    CopySpan(src + s, sf->offset - s, dst + d, df->offset - d, mode);
    CopyField(src + sf->offset, *sf, dst + df->offset, *df, mode);
    s = s_end;
    d = d_end;
  }
  CopySpan(src + s, src_size - s, dst + d, dst_size - d, mode);
}

const LayoutEntry* MatchOlderLayout(const LayoutEntry* table, uint32_t app_version) {
  if (table == nullptr || table->version == 0) return nullptr;
  if (CompareVersions(app_version, table->version) < 0) return nullptr;
  // The terminator's code 0 is earlier than every version: an application at or past the last
  // entry walks onto it and needs no conversion.
  const LayoutEntry* entry = table;
  while (entry->version != 0 && CompareVersions(entry[1].version, app_version) <= 0) ++entry;
  return entry->version == 0 ? nullptr : entry;
}

const LayoutEntry* CurrentLayout(const LayoutEntry* table) {
  if (table == nullptr || table->version == 0) return nullptr;
  const LayoutEntry* entry = table;
  while (entry[1].version != 0) ++entry;
  return entry;
}

Conversion::~Conversion() {
  ReleasePointers();
}

bool Conversion::Prepare(const LayoutEntry* table, const VtxLine* line, void* caller, void* buffer,
                         size_t buffer_size, uint32_t version) {
  if (table == nullptr || CheckAppVersion(line, version) != 0) return false;
  if (CompareVersions(version, table->version) < 0) return false;
  const LayoutEntry* old = MatchOlderLayout(table, version);
  if (old == nullptr || caller == nullptr) return true;
  const LayoutEntry* current = CurrentLayout(table);
  if (current->size > buffer_size) return false;
  old_ = old;
  current_ = current;
  caller_ = static_cast<uint8_t*>(caller);
  converted_ = static_cast<uint8_t*>(buffer);
  CopyLayout(caller_, old_->size, old_->fields, converted_, current_->size, current_->fields,
             kWayIn);
  if (!ConvertPointersIn()) {
    ReleasePointers();
    old_ = nullptr;
    return false;
  }
  return true;
}

void* Conversion::PointerAt(const uint8_t* record, size_t offset) const {
  void* pointer;
  memcpy(&pointer, record + offset, sizeof pointer);
  return pointer;
}

void Conversion::SetPointerAt(uint8_t* record, size_t offset, void* pointer) const {
  memcpy(record + offset, &pointer, sizeof pointer);
}

bool Conversion::ConvertPointersIn() {
  const PointerDesc* op = old_->pointers;
  const PointerDesc* np = current_->pointers;
  for (; op != nullptr && np != nullptr && op->elem_size != 0 && np->elem_size != 0 &&
         pointer_count_ < kMaxPointerFields;
       ++op, ++np) {
    auto* theirs = static_cast<uint8_t*>(PointerAt(caller_, op->offset));
    caller_pointers_[pointer_count_++] = theirs;
    SetPointerAt(converted_, np->offset, theirs);
    if ((np->flags & kPointerIn) == 0 || theirs == nullptr) continue;
    if (np->count == nullptr) return false;
    size_t count = np->count(converted_), bytes;
    if (!SizeOfArray(count, np->elem_size, &bytes)) return false;
    auto* ours = static_cast<uint8_t*>(MemAlloc(bytes, kNoOrdinal, kMemTagConversion));
    if (ours == nullptr) return false;
    SetPointerAt(converted_, np->offset, ours);
    for (size_t i = 0; i < count; ++i) {
      CopyLayout(theirs + i * op->elem_size, op->elem_size, op->nested, ours + i * np->elem_size,
                 np->elem_size, np->nested, kWayIn);
    }
  }
  return true;
}

void Conversion::ConvertPointersBack() {
  for (size_t i = 0; i < pointer_count_; ++i) {
    const PointerDesc& op = old_->pointers[i];
    const PointerDesc& np = current_->pointers[i];
    auto* theirs = static_cast<uint8_t*>(caller_pointers_[i]);
    auto* ours = static_cast<uint8_t*>(PointerAt(converted_, np.offset));
    SetPointerAt(caller_, op.offset, theirs);
    // An array still the caller's own was never converted: nothing to give back.
    if ((np.flags & kPointerOut) == 0 || ours == nullptr || ours == theirs || np.count == nullptr) {
      continue;
    }
    size_t count = np.count(converted_), bytes;
    if (!SizeOfArray(count, op.elem_size, &bytes)) continue;
    uint8_t* dest = theirs;
    if (dest == nullptr || (np.flags & kPointerIn) == 0) {
      dest = static_cast<uint8_t*>(MemAlloc(bytes, kNoOrdinal, kMemTagConversion));
      if (dest == nullptr) continue;
    }
    for (size_t k = 0; k < count; ++k) {
      CopyLayout(ours + k * np.elem_size, np.elem_size, np.nested, dest + k * op.elem_size,
                 op.elem_size, op.nested, kWayBack);
    }
    SetPointerAt(caller_, op.offset, dest);
  }
  ReleasePointers();
}

void Conversion::ReleasePointers() {
  for (size_t i = 0; i < pointer_count_; ++i) {
    void* ours = PointerAt(converted_, current_->pointers[i].offset);
    if (ours != nullptr && ours != caller_pointers_[i])
      MemFree(ours, kNoOrdinal, kMemTagConversion);
  }
  pointer_count_ = 0;
}

void Conversion::ConvertBack() {
  CopyLayout(converted_, current_->size, current_->fields, caller_, old_->size, old_->fields,
             kWayBack);
  ConvertPointersBack();
  old_ = nullptr;
}

void Conversion::ReturnResult() {
  memcpy(caller_, converted_, sizeof(VtxResult));
  ReleasePointers();
  old_ = nullptr;
}

CallbackRecord::CallbackRecord(Family family, void* record)
    : record_(static_cast<uint8_t*>(record)), app_record_(record) {
  const LayoutEntry* table = LayoutTable(family);
  old_ = record == nullptr ? nullptr : MatchOlderLayout(table, AppApiVersion());
  if (old_ == nullptr) return;
  current_ = CurrentLayout(table);
  buffer_ = static_cast<uint8_t*>(MemAlloc(old_->size, kNoOrdinal, kMemTagConversion));
  app_record_ = buffer_;
  if (buffer_ == nullptr) return;
  CopyLayout(record_, current_->size, current_->fields, buffer_, old_->size, old_->fields,
             kWayBack);
}

CallbackRecord::~CallbackRecord() {
  if (buffer_ != nullptr) MemFree(buffer_, kNoOrdinal, kMemTagConversion);
}

void CallbackRecord::Finish() {
  if (buffer_ == nullptr) return;
  CopyLayout(buffer_, old_->size, old_->fields, record_, current_->size, current_->fields,
             kWayInKeep);
  MemFree(buffer_, kNoOrdinal, kMemTagConversion);
  buffer_ = nullptr;
}

}  // namespace vtx::api
