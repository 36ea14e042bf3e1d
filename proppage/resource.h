// The page's resources and registry key.
#pragma once

namespace proppage {

constexpr int kDeviceDetailsDialog = 109;  // the page template
constexpr int kBoardBitmap = 110;

// Controls of the page template.
constexpr int kHardwareNameText = 1001;
constexpr int kConfigureButton = 1021;
constexpr int kConfigureHint = 1022;
constexpr int kFeatureBox = 1023;

// The page's own key under HKEY_LOCAL_MACHINE.
constexpr const char* kPageKey = "SOFTWARE\\Corvane Technology\\DevicePropertyPage\\crvnTdevpp";

}  // namespace proppage
