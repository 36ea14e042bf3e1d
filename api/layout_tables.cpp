// The layout tables. Sizes and offsets come from the record definitions; their published 32-bit
// values are checked where pointers are four bytes.
#include <cstddef>

#include "api/layout.h"
#include "vtx.h"

namespace vtx::api {
namespace {

constexpr LayoutEntry kTerminator{0, 0, nullptr, nullptr};

// Families whose records have not changed since the oldest supported version.
constexpr LayoutEntry kUnchanged[] = {kTerminator};

// The line record grew one word at its end in 5.0.
constexpr LayoutEntry kLineTable[] = {
    {104800, offsetof(VtxLineArgs, attach_option), nullptr, nullptr},
    {5000, sizeof(VtxLineArgs), nullptr, nullptr},
    kTerminator,
};

// 4.9 appended the IP destination options; 5.0 widened both of them, describing the part that
// both option records use and zero-filling the rest.
constexpr FieldDesc kIpOptionsFields[] = {
    {0, offsetof(VtxUdptlOptions, reserved), 1, false, nullptr},
    {},
};
constexpr FieldDesc kTeleph49Fields[] = {
    {offsetof(VtxTelephArgs49, udptl_opts), sizeof(VtxUdptlOptions49), 1, false, nullptr},
    {offsetof(VtxTelephArgs49, rtp_opts), sizeof(VtxRtpOptions49), 1, false, nullptr},
    {},
};
constexpr FieldDesc kTeleph50Fields[] = {
    {offsetof(VtxTelephArgs, udptl_opts), sizeof(VtxUdptlOptions), 1, false, kIpOptionsFields},
    {offsetof(VtxTelephArgs, rtp_opts), sizeof(VtxRtpOptions), 1, false, kIpOptionsFields},
    {},
};
constexpr LayoutEntry kTelephTable[] = {
    {104800, sizeof(VtxTelephArgs48), nullptr, nullptr},
    {104900, sizeof(VtxTelephArgs49), kTeleph49Fields, nullptr},
    {5000, sizeof(VtxTelephArgs), kTeleph50Fields, nullptr},
    kTerminator,
};

// 4.9 doubled the texts of the dialling record.
#define VTX_TEXT_FIELD(Texts, member) \
  { offsetof(Texts, member), 1, sizeof(Texts::member), true, nullptr }
#define VTX_DIAL_TEXT_FIELDS(Texts)                                     \
  VTX_TEXT_FIELD(Texts, db_file), VTX_TEXT_FIELD(Texts, raw_number),    \
      VTX_TEXT_FIELD(Texts, cp_text1), VTX_TEXT_FIELD(Texts, cp_text2), \
      VTX_TEXT_FIELD(Texts, cp_text3), {}

constexpr FieldDesc kDialTexts48[] = {VTX_DIAL_TEXT_FIELDS(VtxDialTexts48)};
constexpr FieldDesc kDialTexts49[] = {VTX_DIAL_TEXT_FIELDS(VtxDialTexts)};
constexpr FieldDesc kDial48Fields[] = {
    {offsetof(VtxDialArgs48, texts), sizeof(VtxDialTexts48), 1, false, kDialTexts48},
    {},
};
constexpr FieldDesc kDial49Fields[] = {
    {offsetof(VtxDialArgs, texts), sizeof(VtxDialTexts), 1, false, kDialTexts49},
    {},
};
constexpr LayoutEntry kDialTable[] = {
    {104800, sizeof(VtxDialArgs48), kDial48Fields, nullptr},
    {104900, sizeof(VtxDialArgs), kDial49Fields, nullptr},
    kTerminator,
};

}  // namespace

const LayoutEntry* LayoutTable(Family family) {
  switch (family) {
    case Family::kLine:
      return kLineTable;
    case Family::kTelephSwitch:
      return kTelephTable;
    case Family::kDialDb:
      return kDialTable;
    case Family::kModule:
    case Family::kFeature:
    case Family::kPacket:
    case Family::kBoard:
    case Family::kSignalling:
    case Family::kTemperature:
    case Family::kTest:
    case Family::kFax:
    case Family::kFirmware:
    case Family::kTone:
    case Family::kNetwork:
    case Family::kTrace:
      return kUnchanged;
  }
  return nullptr;
}

}  // namespace vtx::api
