#include <cerrno>
#include <cstdint>

#include "os/driver.h"

namespace os {

// GetLastError values that the driver access can meet, as POSIX error numbers.
int ErrnoFromSystemError(uint32_t system_error) {
  switch (system_error) {
    case 2:     // ERROR_FILE_NOT_FOUND
    case 3:     // ERROR_PATH_NOT_FOUND
    case 15:    // ERROR_INVALID_DRIVE
    case 20:    // ERROR_BAD_UNIT
    case 21:    // ERROR_NOT_READY
    case 55:    // ERROR_DEV_NOT_EXIST
    case 1200:  // ERROR_BAD_DEVICE
      return ENOENT;
    case 4:
      return EMFILE;  // ERROR_TOO_MANY_OPEN_FILES
    case 5:           // ERROR_ACCESS_DENIED
    case 19:
      return EPERM;  // ERROR_WRITE_PROTECT
    case 6:
      return EBADF;  // ERROR_INVALID_HANDLE
    case 8:
      return ENOMEM;  // ERROR_NOT_ENOUGH_MEMORY
    case 85:          // ERROR_ALREADY_ASSIGNED
    case 170:
      return EBUSY;  // ERROR_BUSY
    case 87:
      return EINVAL;  // ERROR_INVALID_PARAMETER
    default:
      return EIO;
  }
}

}  // namespace os
