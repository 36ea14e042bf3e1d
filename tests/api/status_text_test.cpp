// The status texts of result pairs, with and without a line.
#include "api/status_text.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "api/line.h"
#include "api/status_tables.h"

namespace vtx::api {
namespace {

struct Expected {
  uint32_t status, line_status;
  const char* name;
  const char* description;
};

// Pairs whose texts need no line.
constexpr Expected kPairs[] = {
    {0, 0, "CV_STATUS_OK", "CV_STATUS_OK"},
    {0, 301, "FCP_BUSY1", "Final call progress: Normal busy."},
    {0, 307, "CV_STATUS_OK: 307", "CV_STATUS_OK: 307"},
    {0, 353, "WAIT_FOR_CALL_TIMEOUT", "Wait for call: Timeout, no ring detected."},
    {2, 5, "APIERR_BADPARAMETER", "Misc error: Invalid parameter given."},
    {2, 26, "APIERR_FIRMWARE_ERR_DETECTED", "Misc error: Firmware detected an error."},
    {2, 36, "CV_STATUS_ERROR: 36", "CV_STATUS_ERROR: 36"},
    {3, 267, "DIAL_NO_WINK", "Dial: No wink signal on (non-first) 'w'."},
    {3, 263, "CV_STATUS_ERROR_DIAL: 263", "CV_STATUS_ERROR_DIAL: 263"},
    {4, 25, "HNG_XMITB_DCS_FTC (25)", "Hangup: DCS sent 3 times without response. (25)"},
    {4, 244, "HNG_HOLDUP_DCN_NON_FPAD (244)",
     "Hangup: DCN received in rcv holdup section, non-FAXPAD mode. (244)"},
    {4, 5, "CV_STATUS_ERROR_HANGUP: 5", "CV_STATUS_ERROR_HANGUP: 5"},
    {4, 500, "HNG_ERROR_INTERRUPT (500)", "Hangup: Error interrupt received. (500)"},
    {4, 501, "HNG_INTERRUPT_OVERRUN (501)", "Hangup: Interrupt overrun occurred. (501)"},
    {4, 503, "HNG_IOCTL_ERROR (503)", "Hangup: Driver ioctl error occurred. (503)"},
    {4, 505, "HNG_MAX_TIMEOUT (505)", "Hangup: Maximum timeout exceeded. (505)"},
    {6, 0, "CV_STATUS_TIMEOUT 0", "Timeout from total time elapsed"},
    {6, 7, "CV_STATUS_TIMEOUT 7", "Timeout for unknown reason"},
    {7, 3, "CV_STATUS_ALERT 3", "CV_STATUS_ALERT 3"},
    {8, 0, "CV_STATUS_VV", "VoiceView mode switch required."},
    {1, 0, "CV_STATUS_ ? 1,0", "CV_STATUS_ ? 1,0"},
};

TEST(StatusText, PairsWithoutALine) {
  for (const Expected& pair : kPairs) {
    StatusText text;
    FormStatusText(nullptr, pair.status, pair.line_status, &text);
    EXPECT_STREQ(text.name, pair.name) << pair.status << "," << pair.line_status;
    EXPECT_STREQ(text.description, pair.description) << pair.status << "," << pair.line_status;
  }
}

TEST(StatusText, ANameTakenFromALongDescriptionIsCutTo30Characters) {
  StatusText text;
  FormStatusText(nullptr, 4000000000u, 4000000000u, &text);
  EXPECT_STREQ(text.description, "CV_STATUS_ ? -294967296,-294967296");
  EXPECT_EQ(std::string(text.name), std::string(text.description).substr(0, 30));
}

TEST(StatusText, TheLineSuppliesFirmwareAndDriverDetails) {
  VtxLine line;
  line.fw_error_class = 5;
  line.fw_error_code = 5;
  line.error_interrupt = 0x101;
  line.overrun_count = 2;
  line.last_error = ENOENT;
  StatusText text;
  FormStatusText(&line, 2, 26, &text);
  EXPECT_STREQ(text.description, "Firmware detected an error: CRC error (5).");
  FormStatusText(&line, 4, 500, &text);
  EXPECT_STREQ(text.description, "Hangup: Error interrupt (500) 0x101 received: Modem error.");
  FormStatusText(&line, 4, 501, &text);
  EXPECT_STREQ(text.description, "Hangup: Interrupt overrun 2 occurred. (501)");
  FormStatusText(&line, 4, 503, &text);
  EXPECT_EQ(std::string(text.description),
            std::string("Hangup: Driver ioctl error 2 - ") + strerror(ENOENT) + " (503)");
  EXPECT_STREQ(text.name, "HNG_IOCTL_ERROR (503)");
}

TEST(StatusText, FirmwareTextsByCodeAndByClass) {
  EXPECT_STREQ(FirmwareErrorText(264), "Invalid command for firmware state");
  EXPECT_STREQ(FirmwareErrorText(7), "Unknown");
  EXPECT_STREQ(FirmwareResultText(3, 9), "Slot already assigned");
  EXPECT_STREQ(FirmwareResultText(9, 6), "Checksum error");
  EXPECT_STREQ(FirmwareResultText(2, 4), "EEPROM written");
  EXPECT_STREQ(FirmwareResultText(5, 11), "Unknown");
  EXPECT_STREQ(FirmwareResultText(7, 1), "Unknown");
  VtxLine line;
  line.fw_error_class = 12;
  line.fw_error_code = 1;
  char report[128];
  FirmwareErrorReport(&line, report, sizeof report);
  EXPECT_STREQ(report,
               "Firmware detected an error: Insufficient memory for requested cache config (1).");
}

TEST(StatusText, EveryHangupRowFitsItsFields) {
  EXPECT_EQ(kHangupTexts.count, 73u);
  EXPECT_EQ(kApiErrorTexts.count, 36u);
  for (size_t i = 0; i < kHangupTexts.count; ++i) {
    const CodeText& row = kHangupTexts.rows[i];
    ASSERT_LE(row.code, 244u);
    StatusText text;
    FormStatusText(nullptr, 4, row.code, &text);
    EXPECT_EQ(std::string(text.name),
              std::string(row.name) + " (" + std::to_string(row.code) + ")");
    EXPECT_LT(strlen(text.description) + 1, sizeof text.description) << row.name;
  }
}

}  // namespace
}  // namespace vtx::api
