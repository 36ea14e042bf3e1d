// The T.38 parameters of a UDPTL connection request: their ranges, their tags and their trace.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vtx.h"

namespace vtx::teleph {

constexpr size_t kT38TagCount = 13;
constexpr size_t kT38TextSize = 512;
// The maximum buffer a module's UDPTL port accepts, in bytes.
constexpr uint32_t kMinT38Buffer = 1024, kMaxT38Buffer = 8192;

// Bit rate code 0 to 5, rate management 8 or 9, buffer 1024 to 8192, datagrams 512 to 1024 each,
// error correction 6 (redundancy, with both depths 0 to 5) or 7.
bool T38ParamsValid(const VtxT38Params& t38);
// Writes the thirteen T.38 tags at `items` and the ending entry after them.
void AppendT38Tags(const VtxT38Params& t38, MillTagItem* items);
// ",t38_version=%u,..." with every parameter.
void T38Text(const VtxT38Params& t38, char* out, size_t size);

}  // namespace vtx::teleph
