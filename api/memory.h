// The memory hooks: every allocation the library makes for an application goes through them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx::api {

// What an allocation holds, as the hooks are told.
constexpr uint32_t kMemTagLine = 1;        // the line record
constexpr uint32_t kMemTagConversion = 2;  // arrays converted between record layouts
constexpr uint32_t kMemTagPacket = 3;      // packet-layer buffers
constexpr uint32_t kMemTagFontName = 4;    // a font file name of a line's configuration
constexpr uint32_t kMemTagAuxiliary = 17;  // a line's auxiliary buffer

void* MemAlloc(size_t size, int32_t ordinal, uint32_t tag);
void MemFree(void* pointer, int32_t ordinal, uint32_t tag);

}  // namespace vtx::api
