#include "api/font_table.h"

#include <cstring>

#include "api/line.h"
#include "api/memory.h"

namespace vtx {
namespace {

void FreeSlot(VtxLine* line, size_t slot) {
  char*& name = line->config.fonts.names[slot];
  if (name != nullptr) api::MemFree(name, line->ordinal, api::kMemTagFontName);
  name = nullptr;
}

}  // namespace

bool SetFontName(VtxLine* line, size_t slot, const char* name, size_t length) {
  FreeSlot(line, slot);
  auto* copy = static_cast<char*>(api::MemAlloc(length + 1, line->ordinal, api::kMemTagFontName));
  if (copy == nullptr) return false;
  std::memcpy(copy, name, length);
  copy[length] = '\0';
  line->config.fonts.names[slot] = copy;
  return true;
}

void ReleaseFontTable(VtxLine* line) {
  for (size_t slot = 0; slot < kFontSlots; ++slot) FreeSlot(line, slot);
}

}  // namespace vtx
