// The bits of a line's `reset_status` word: what the line reset, the configuration and the
// operations after them report. One name each; a bit that several parts of the library set is
// named for what they share. kResetStatusBits is the table of them with their names and
// meanings, as tools show them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtx {

constexpr uint32_t kResetWait = 0x00000001;           // a line reset waited in vain
constexpr uint32_t kResetFailure = 0x00000004;        // the firmware reported a failed reset
constexpr uint32_t kResetNoUserConfig = 0x00000008;   // the user preference file was not found
constexpr uint32_t kResetBadConfigLine = 0x00000010;  // at least one configuration line was bad
constexpr uint32_t kResetCountryFile = 0x00000020;    // country parameter file missing or unusable
constexpr uint32_t kResetCountryCode = 0x00000040;    // the country code is not in that file
constexpr uint32_t kResetFontFile = 0x00000200;       // a font file could not be opened
constexpr uint32_t kResetFontRefused = 0x00000400;    // a font download was refused or failed
constexpr uint32_t kResetSlotNotAssigned = 0x00010000;  // a connection refused: slot not assigned
constexpr uint32_t kResetFontMemory = 0x00020000;       // no memory for a font file name
constexpr uint32_t kResetAlert = 0x00040000;            // an alert arrived
// A hangup condition other than 505 arrived, hangup 500 or 501 was reported, or an overrun.
constexpr uint32_t kResetCondition = 0x00080000;
constexpr uint32_t kResetSystemError = 0x00100000;   // a driver request failed at system level
constexpr uint32_t kResetRefusedOther = 0x00200000;  // a connection refused for another reason
constexpr uint32_t kResetMaxTimeout = 0x00800000;    // condition 505 (maximum timeout) arrived
// The telephony hardware list could not be read, or a connection was refused with result 1.
constexpr uint32_t kResetTelephony = 0x01000000;
constexpr uint32_t kResetAddressGone = 0x04000000;    // invalid address, or the module went away
constexpr uint32_t kResetTransfer = 0x08000000;       // a transfer failed or a setting was refused
constexpr uint32_t kResetFormParse = 0x10000000;      // a command could not be formed or parsed
constexpr uint32_t kResetProcessing = 0x20000000;     // processing of a command ended in error
constexpr uint32_t kResetFirmwareError = 0x40000000;  // the module reported an error
constexpr uint32_t kResetFontInUse = 0x80000000;      // the font is in use

// A bit with the name and the meaning that tools show.
struct ResetStatusBit {
  uint32_t bit;
  const char* name;
  const char* meaning;
};

inline constexpr ResetStatusBit kResetStatusBits[] = {
    {kResetWait, "RESET_WAIT", "the channel reset was not completed in time"},
    {kResetFailure, "RESET_FAILURE", "the firmware reported a failed channel reset"},
    {kResetNoUserConfig, "NO_USER_CONFIG", "user configuration file not found"},
    {kResetBadConfigLine, "BAD_CONFIG_LINE", "at least one bad configuration line"},
    {kResetCountryFile, "COUNTRY_FILE",
     "country parameter file missing, unreadable or incompatible"},
    {kResetCountryCode, "COUNTRY_CODE", "country code not in the country parameter file"},
    {kResetFontFile, "FONT_FILE", "a font file could not be opened"},
    {kResetFontRefused, "FONT_REFUSED", "a font download was refused or failed"},
    {kResetSlotNotAssigned, "SLOT_NOT_ASSIGNED", "a connection was refused: slot not assigned"},
    {kResetFontMemory, "FONT_NAME_MEMORY", "no memory for a font file name"},
    {kResetAlert, "ALERT", "an alert arrived"},
    {kResetCondition, "CONDITION", "a hangup condition other than 505 arrived, or an overrun"},
    {kResetSystemError, "SYSTEM_ERROR", "a driver request failed at the system level"},
    {kResetRefusedOther, "CONNECT_REFUSED", "a connection was refused for another reason"},
    {kResetMaxTimeout, "MAX_TIMEOUT", "condition 505 (maximum timeout) arrived"},
    {kResetTelephony, "TELEPHONY_LIST", "the telephony hardware list could not be read"},
    {kResetAddressGone, "ADDRESS_GONE", "invalid address, or the module went away"},
    {kResetTransfer, "SETTING_REFUSED", "a setting was refused or a transfer failed"},
    {kResetFormParse, "BAD_REPLY", "a command could not be formed or parsed (capability reply)"},
    {kResetProcessing, "PROCESSING", "processing of a command ended in error"},
    {kResetFirmwareError, "FIRMWARE_ERROR", "the module reported an error"},
    {kResetFontInUse, "FONT_IN_USE", "the font is in use"},
};

}  // namespace vtx
