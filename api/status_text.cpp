#include "api/status_text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "api/line.h"
#include "api/status_tables.h"

namespace vtx::api {
namespace {

struct NumberedText {
  uint32_t code;
  const char* text;
};

constexpr NumberedText kFirmwareErrors[] = {
    {5, "Transmit underrun"},
    {6, "Receive overrun"},
    {9, "Illegal configuration"},
    {12, "Data header error"},
    {255, "Firmware panic"},
    {257, "Modem error"},
    {258, "Illegal variable or parameter value"},
    {260, "Timeout error"},
    {261, "Bad command sequencing"},
    {262, "No data motion"},
    {263, "Array overflow"},
    {264, "Invalid command for firmware state"},
};

struct ClassText {
  uint32_t error_class;
  uint32_t code;
  const char* text;
};

// Firmware result codes by the error class of the operation that received them.
constexpr ClassText kFirmwareResults[] = {
    {1, 2, "Port not configured"},
    {1, 4, "Incompatible type"},
    {2, 2, "EEPROM read error"},
    {2, 3, "EEPROM write error"},
    {2, 4, "EEPROM written"},
    {3, 1, "Generic failure"},
    {3, 2, "Unknown connection mode"},
    {3, 3, "Unknown port type"},
    {3, 4, "Invalid port type"},
    {3, 5, "Unknown port unit"},
    {3, 6, "Invalid port unit"},
    {3, 7, "Invalid stream"},
    {3, 8, "Invalid slot"},
    {3, 9, "Slot already assigned"},
    {3, 10, "Slot not assigned"},
    {3, 20, "IP port in use"},
    {3, 21, "Invalid connection mode"},
    {4, 1, "Port disabled"},
    {5, 1, "Bad type"},
    {5, 2, "Header error"},
    {5, 3, "Wrong version"},
    {5, 4, "Code pointer error"},
    {5, 5, "CRC error"},
    {5, 6, "Format error"},
    {5, 7, "Incompatible BSP"},
    {5, 8, "No flash image"},
    {5, 9, "Bad dimension"},
    {5, 10, "Flash update error"},
    {5, 12, "Flash update done, but system reboot required"},
    {5, 13, "Flash update done, but system power cycle required"},
    {6, 1, "Memory error"},
    {6, 2, "Font in use"},
    {6, 3, "Misc error"},
    {9, 1, "No memory"},
    {9, 2, "EEPROM read error"},
    {9, 3, "EEPROM write error"},
    {9, 4, "EEPROM written"},
    {9, 5, "Magic number error"},
    {9, 6, "Checksum error"},
    {11, 1, "Prompt being stored was of invalid size"},
    {11, 2, "Prompt store unspecified error"},
    {12, 1, "Insufficient memory for requested cache config"},
};

constexpr const char kUnknown[] = "Unknown";

__attribute__((format(printf, 3, 4))) void Format(char* out, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsnprintf(out, size, format, args);
  va_end(args);
}

// The description, and as the name its first 30 characters.
__attribute__((format(printf, 2, 3))) void FormatBoth(StatusText* text, const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsnprintf(text->description, sizeof text->description, format, args);
  va_end(args);
  size_t n = strnlen(text->description, sizeof text->name - 1);
  memcpy(text->name, text->description, n);
  text->name[n] = '\0';
}

void FormOk(uint32_t code, StatusText* text) {
  if (code == 0) return FormatBoth(text, "CV_STATUS_OK");
  if (const CodeText* row = FindCode(kCallProgressTexts, code)) {
    Format(text->name, sizeof text->name, "%s", row->name);
    Format(text->description, sizeof text->description, "Final call progress: %s.",
           row->description);
  } else if (const CodeText* wait = FindCode(kWaitForCallTexts, code)) {
    Format(text->name, sizeof text->name, "%s", wait->name);
    Format(text->description, sizeof text->description, "Wait for call: %s.", wait->description);
  } else {
    FormatBoth(text, "CV_STATUS_OK: %d", static_cast<int>(code));
  }
}

void FormError(const VtxLine* line, uint32_t code, StatusText* text) {
  const CodeText* row = FindCode(kApiErrorTexts, code);
  if (row == nullptr) return FormatBoth(text, "CV_STATUS_ERROR: %d", static_cast<int>(code));
  Format(text->name, sizeof text->name, "%s", row->name);
  if (code == APIERR_FIRMWARE_ERR_DETECTED && line != nullptr) {
    FirmwareErrorReport(line, text->description, sizeof text->description);
  } else {
    Format(text->description, sizeof text->description, "Misc error: %s.", row->description);
  }
}

void FormDial(uint32_t code, StatusText* text) {
  const CodeText* row = FindCode(kDialTexts, code);
  if (row == nullptr) return FormatBoth(text, "CV_STATUS_ERROR_DIAL: %d", static_cast<int>(code));
  Format(text->name, sizeof text->name, "%s", row->name);
  Format(text->description, sizeof text->description, "Dial: %s.", row->description);
}

// The hangups that the library itself raises, beyond the fax protocol's own codes; the
// description without the details that a line can add.
struct HostHangup {
  int code;
  const char* name;
  const char* plain;
};
constexpr HostHangup kHostHangups[] = {
    {500, "HNG_ERROR_INTERRUPT", "Hangup: Error interrupt received. (%d)"},
    {501, "HNG_INTERRUPT_OVERRUN", "Hangup: Interrupt overrun occurred. (%d)"},
    {502, "HNG_UNEXPECTED_IRSDONE", "Hangup: Unexpected 03/7F interrupt occurred. (%d)"},
    {503, "HNG_IOCTL_ERROR", "Hangup: Driver ioctl error occurred. (%d)"},
    {504, "HNG_OVERLAY_DLOAD_ERR", "Hangup: Overlay download error occurred. (%d)"},
    {505, "HNG_MAX_TIMEOUT", "Hangup: Maximum timeout exceeded. (%d)"},
};

// The description with what the line knows of the hangup; false when it knows nothing.
bool FormHangupDetail(const VtxLine* line, int code, char* desc, size_t size) {
  if (line == nullptr) return false;
  if (code == 500 && line->error_interrupt != 0) {
    Format(desc, size, "Hangup: Error interrupt (%d) 0x%X received: %s.", code,
           line->error_interrupt, FirmwareErrorText(line->error_interrupt));
  } else if (code == 501 && line->overrun_count != 0) {
    Format(desc, size, "Hangup: Interrupt overrun %d occurred. (%d)",
           static_cast<int>(line->overrun_count), code);
  } else if (code == 503 && line->last_error != 0) {
    Format(desc, size, "Hangup: Driver ioctl error %d - %s (%d)", line->last_error,
           strerror(line->last_error), code);
  } else {
    return false;
  }
  return true;
}

void FormHostHangup(const VtxLine* line, int code, StatusText* text) {
  for (const HostHangup& row : kHostHangups) {
    if (row.code != code) continue;
    Format(text->name, sizeof text->name, "%s (%d)", row.name, code);
    if (!FormHangupDetail(line, code, text->description, sizeof text->description)) {
      Format(text->description, sizeof text->description, row.plain, code);
    }
    return;
  }
  FormatBoth(text, "CV_STATUS_ERROR_HANGUP: %d", code);
}

void FormHangup(const VtxLine* line, uint32_t line_status, StatusText* text) {
  int code = static_cast<int>(line_status);
  const CodeText* row = FindCode(kHangupTexts, line_status);
  if (row == nullptr) return FormHostHangup(line, code, text);
  Format(text->name, sizeof text->name, "%s (%d)", row->name, code);
  Format(text->description, sizeof text->description, "Hangup: %s. (%d)", row->description, code);
}

void FormTimeout(uint32_t code, StatusText* text) {
  Format(text->name, sizeof text->name, "CV_STATUS_TIMEOUT %d", static_cast<int>(code));
  const char* why = code == 0   ? "Timeout from total time elapsed"
                    : code == 1 ? "Timeout from silence timeout"
                                : "Timeout for unknown reason";
  Format(text->description, sizeof text->description, "%s", why);
}

}  // namespace

void FormStatusText(const VtxLine* line, uint32_t status, uint32_t line_status, StatusText* text) {
  switch (status) {
    case CV_STATUS_OK:
      return FormOk(line_status, text);
    case CV_STATUS_ERROR:
      return FormError(line, line_status, text);
    case CV_STATUS_ERROR_DIAL:
      return FormDial(line_status, text);
    case CV_STATUS_ERROR_HANGUP:
      return FormHangup(line, line_status, text);
    case CV_STATUS_USER_TERMINATED:
      return FormatBoth(text, "CV_STATUS_USER_TERMINATED");
    case CV_STATUS_TIMEOUT:
      return FormTimeout(line_status, text);
    case CV_STATUS_ALERT:
      return FormatBoth(text, "CV_STATUS_ALERT %d", static_cast<int>(line_status));
    case CV_STATUS_VV:
      Format(text->name, sizeof text->name, "CV_STATUS_VV");
      Format(text->description, sizeof text->description, "VoiceView mode switch required.");
      return;
    case CV_STATUS_CONTINUING:
      return FormatBoth(text, "CV_STATUS_CONTINUING");
    default:
      FormatBoth(text, "CV_STATUS_ ? %d,%d", static_cast<int>(status),
                 static_cast<int>(line_status));
  }
}

const char* FirmwareErrorText(uint32_t code) {
  for (const NumberedText& row : kFirmwareErrors) {
    if (row.code == code) return row.text;
  }
  return kUnknown;
}

const char* FirmwareResultText(uint32_t error_class, uint32_t code) {
  for (const ClassText& row : kFirmwareResults) {
    if (row.error_class == error_class && row.code == code) return row.text;
  }
  return kUnknown;
}

void FirmwareErrorReport(const VtxLine* line, char* out, size_t size) {
  uint32_t error_class = line != nullptr ? line->fw_error_class : 0;
  uint32_t code = line != nullptr ? line->fw_error_code : 0;
  Format(out, size, "%s: %s (%d).", "Firmware detected an error",
         FirmwareResultText(error_class, code), static_cast<int>(code));
}

}  // namespace vtx::api
