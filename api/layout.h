// Record layouts by application version: what the call frame needs to convert the argument
// records of applications built against an older version of the library.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx::api {

// One field of a record: `count` elements of `elem_size` bytes at `offset`. A list of fields
// ends with an element size of 0.
struct FieldDesc {
  size_t offset;
  size_t elem_size;
  size_t count;             // 0 counts as 1
  bool terminate;           // a text: cut into an older layout, it keeps its terminating 0
  const FieldDesc* nested;  // the element's own fields, or null to copy it whole
};

// Tells how many elements a pointer field designates, given the record that holds it.
using ElementCount = size_t (*)(const void* record);

constexpr uint32_t kPointerIn = 0x1;   // convert the pointed-to elements on the way in
constexpr uint32_t kPointerOut = 0x2;  // convert them back on the way out

// One pointer field of a record; a list ends with an element size of 0.
struct PointerDesc {
  size_t offset;
  size_t elem_size;
  uint32_t flags;
  ElementCount count;
  const FieldDesc* nested;
};

// The layout of one version; a table ends with version 0 and lists versions in ascending order,
// the last one being the library's own layout.
struct LayoutEntry {
  uint32_t version;  // API version code: interface * 100000 + version number
  size_t size;
  const FieldDesc* fields;      // null: none
  const PointerDesc* pointers;  // null: none
};

// The record families, one layout table each.
enum class Family {
  kModule,
  kFeature,
  kLine,
  kPacket,
  kBoard,
  kSignalling,
  kTemperature,
  kTest,
  kFax,
  kTelephSwitch,
  kFirmware,
  kDialDb,
  kTone,
  kNetwork,
  kTrace,
};

const LayoutEntry* LayoutTable(Family family);

// At most this many pointer fields of a record are converted.
constexpr size_t kMaxPointerFields = 16;

}  // namespace vtx::api
