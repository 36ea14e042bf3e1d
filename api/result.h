// The result words that begin every argument record, `status` then `line_status`, and the one
// set of helpers that write them: set both, copy both from another record, fail. The helpers
// take any record by its own type; ResultOf gives the VtxResult view of a record for the code
// that reports through one, checking at compile time that the record begins with the words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "vtx.h"

namespace vtx {

// The result words of `record`, which must begin with them as VtxResult lays them out.
template <typename Record>
VtxResult* ResultOf(Record* record) {
  static_assert(std::is_standard_layout_v<Record>, "an argument record is a plain record");
  static_assert(offsetof(Record, status) == offsetof(VtxResult, status) &&
                    offsetof(Record, line_status) == offsetof(VtxResult, line_status),
                "an argument record begins with its result words");
  return reinterpret_cast<VtxResult*>(record);
}

// Writes both result words of `to`.
template <typename Record>
void SetResult(Record* to, uint32_t status, uint32_t line_status) {
  to->status = status;
  to->line_status = line_status;
}

// Writes the result words of `from` into `to`: the destination first, as in SetResult.
template <typename To, typename From>
void CopyResult(To* to, const From& from) {
  SetResult(to, from.status, from.line_status);
}

// The failure of an operation: `status` 2 with `line_status`. Returns -1, what a failed
// operation returns.
template <typename Record>
int Fail(Record* to, uint32_t line_status) {
  SetResult(to, CV_STATUS_ERROR, line_status);
  return -1;
}

}  // namespace vtx
