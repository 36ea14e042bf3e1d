// Fonts: the stock fonts and fonts created from a description.
#include <algorithm>
#include <cstring>

#include "compat/win32/gdi_object.h"

namespace {

HGDIOBJ__ MakeStockFont(LONG height, LONG width, BYTE pitch_and_family, const char* face) {
  HGDIOBJ__ object{};
  object.stock = true;
  object.font.lfHeight = height;
  object.font.lfWidth = width;
  object.font.lfWeight = FW_NORMAL;
  object.font.lfPitchAndFamily = pitch_and_family;
  std::strncpy(object.font.lfFaceName, face, LF_FACESIZE - 1);
  return object;
}

}  // namespace

HGDIOBJ WINAPI GetStockObject(int object) {
  static HGDIOBJ__ fixed = MakeStockFont(12, 9, FIXED_PITCH | FF_MODERN, "Courier");
  static HGDIOBJ__ variable = MakeStockFont(12, 9, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
  switch (object) {
    case ANSI_FIXED_FONT:
      return &fixed;
    case ANSI_VAR_FONT:
      return &variable;
    default:
      return nullptr;
  }
}

int WINAPI GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
  if (!object) return 0;
  if (!buffer) return static_cast<int>(sizeof(LOGFONTA));
  if (size <= 0) return 0;
  const size_t copied = std::min(static_cast<size_t>(size), sizeof(LOGFONTA));
  std::memcpy(buffer, &object->font, copied);
  return static_cast<int>(copied);
}

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strike_out, DWORD char_set,
                         DWORD out_precision, DWORD clip_precision, DWORD quality,
                         DWORD pitch_and_family, LPCSTR face_name) {
  auto* object = new HGDIOBJ__{};
  LOGFONTA& font = object->font;
  font.lfHeight = height;
  font.lfWidth = width;
  font.lfEscapement = escapement;
  font.lfOrientation = orientation;
  font.lfWeight = weight;
  font.lfItalic = static_cast<BYTE>(italic);
  font.lfUnderline = static_cast<BYTE>(underline);
  font.lfStrikeOut = static_cast<BYTE>(strike_out);
  font.lfCharSet = static_cast<BYTE>(char_set);
  font.lfOutPrecision = static_cast<BYTE>(out_precision);
  font.lfClipPrecision = static_cast<BYTE>(clip_precision);
  font.lfQuality = static_cast<BYTE>(quality);
  font.lfPitchAndFamily = static_cast<BYTE>(pitch_and_family);
  if (face_name) std::strncpy(font.lfFaceName, face_name, LF_FACESIZE - 1);
  return object;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
  if (!object) return FALSE;
  if (!object->stock) delete object;
  return TRUE;
}
