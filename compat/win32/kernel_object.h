// What a HANDLE of this layer points to: an object that CloseHandle deletes.
#pragma once

#include "compat/win32/windows.h"

namespace win32compat {

struct KernelObject {
  virtual ~KernelObject() = default;
};

}  // namespace win32compat
