// Conversion of argument records between an application's layout and the library's own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/layout.h"
#include "api/version.h"
#include "vtx.h"

namespace vtx::api {

// How a record is copied between two layouts.
struct WalkMode {
  bool zero_fill;  // bytes of the destination that the source lacks are cleared
  bool terminate;  // text fields of the destination end with a cleared element
};
constexpr WalkMode kWayIn{true, false};       // application layout into the library's
constexpr WalkMode kWayBack{true, true};      // library layout into the application's
constexpr WalkMode kWayInKeep{false, false};  // as kWayIn, leaving what the source lacks alone

// Copies the record `src` (`src_size` bytes laid out by `src_fields`) into `dst`, walking both
// field lists in parallel: bytes between fields are copied unchanged, fields element by element
// (recursively through nested lists), and the tail after the last field as it is.
void CopyLayout(const uint8_t* src, size_t src_size, const FieldDesc* src_fields, uint8_t* dst,
                size_t dst_size, const FieldDesc* dst_fields, WalkMode mode);

// The older entry of `table` that the application's version `app_version` selects, or null
// when the application uses the library's own layout (or one older than the table knows).
const LayoutEntry* MatchOlderLayout(const LayoutEntry* table, uint32_t app_version);
// The library's own layout: the last entry before the terminator, or null for an empty table.
const LayoutEntry* CurrentLayout(const LayoutEntry* table);

// One operation's conversion of its argument record from the application's layout to the
// library's and back. Prepare, then, if matched(), run the worker on the buffer and finish with
// ConvertBack (records that carry output) or ReturnResult (records that only take input).
class Conversion {
 public:
  Conversion() = default;
  ~Conversion();
  Conversion(const Conversion&) = delete;
  Conversion& operator=(const Conversion&) = delete;

  // Checks the application's version `version` (as the call read it) and, for an older layout,
  // converts `caller` into `buffer`. False when the version is refused or the record cannot be
  // converted.
  bool Prepare(Family family, const VtxLine* line, void* caller, void* buffer, size_t buffer_size,
               uint32_t version) {
    return Prepare(LayoutTable(family), line, caller, buffer, buffer_size, version);
  }
  bool Prepare(const LayoutEntry* table, const VtxLine* line, void* caller, void* buffer,
               size_t buffer_size, uint32_t version = AppApiVersion());
  bool matched() const { return old_ != nullptr; }

  void ConvertBack();
  void ReturnResult();

 private:
  bool ConvertPointersIn();
  void ConvertPointersBack();
  void ReleasePointers();
  void* PointerAt(const uint8_t* record, size_t offset) const;
  void SetPointerAt(uint8_t* record, size_t offset, void* pointer) const;

  const LayoutEntry* old_ = nullptr;
  const LayoutEntry* current_ = nullptr;
  uint8_t* caller_ = nullptr;
  uint8_t* converted_ = nullptr;
  void* caller_pointers_[kMaxPointerFields] = {};
  size_t pointer_count_ = 0;  // pointer fields whose caller value is saved
};

// A record of the library's layout handed to an application callback in the application's own
// layout; Finish copies what the callback changed back into the library's record.
class CallbackRecord {
 public:
  CallbackRecord(Family family, void* record);
  ~CallbackRecord();
  CallbackRecord(const CallbackRecord&) = delete;
  CallbackRecord& operator=(const CallbackRecord&) = delete;

  // What to hand to the callback; null when no memory was left for the converted copy.
  void* get() const { return app_record_; }
  void Finish();

 private:
  const LayoutEntry* old_ = nullptr;
  const LayoutEntry* current_ = nullptr;
  uint8_t* record_ = nullptr;
  void* app_record_ = nullptr;
  uint8_t* buffer_ = nullptr;
};

}  // namespace vtx::api
