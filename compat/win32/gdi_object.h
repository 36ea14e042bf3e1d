// A GDI object of the dialog model: a font and its description.
#pragma once

#include "compat/win32/windows.h"

struct HGDIOBJ__ {
  LOGFONTA font;
  bool stock;
};
