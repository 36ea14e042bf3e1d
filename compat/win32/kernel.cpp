// The calling thread's last error, handles and text comparison.
#include <strings.h>

#include "compat/win32/kernel_object.h"

namespace {
thread_local DWORD last_error = ERROR_SUCCESS;
}

DWORD WINAPI GetLastError() {
  return last_error;
}

void WINAPI SetLastError(DWORD error) {
  last_error = error;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  if (!handle || handle == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete static_cast<win32compat::KernelObject*>(handle);
  return TRUE;
}

int WINAPI lstrcmpiA(LPCSTR left, LPCSTR right) {
  if (!left || !right) return left == right ? 0 : (left ? 1 : -1);
  const int order = strcasecmp(left, right);
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}
