// What a device scan changes on screen; the main window implements it.
#pragma once

#include "ui/base/CString.h"

namespace device {

// Text ids (section "KB.DIALOG") and images the detection shows.
inline constexpr int kTextConnected = 60;
inline constexpr int kTextNotConnected = 61;
inline constexpr int kTextDeviceLabel = 51;
inline constexpr const char16_t* kKeyboardIcon = u"icon\\icon_keyboard.png";
// Page flags of second-family boards by connection.
inline constexpr int kPageFlagsWired = 71;
inline constexpr int kPageFlagsWireless = 68;
// Tabs the detection selects.
inline constexpr int kTabNone = 0;
inline constexpr int kTabKeys = 1;
inline constexpr int kTabLighting = 3;

class IDeviceStateView {
public:
    virtual ~IDeviceStateView() = default;
    // The device selector: every board shown absent, then one shown present.
    virtual void ResetDeviceList() = 0;
    virtual void SetDeviceListState(int deviceType, int state) = 0;
    virtual void SetHeaderStatusText(int textId) = 0;
    virtual void SetPageFlags(int flags) = 0;
    virtual void ShowPageArea(bool visible) = 0;
    virtual void ShowPageAreaFrame(bool visible) = 0;
    virtual void ShowTabControl(bool visible) = 0;
    virtual void ShowStatusLine(bool visible) = 0;
    virtual void SetDeviceLabel(int textId) = 0;
    // An empty name clears the picture.
    virtual void SetDevicePicture(const CString& image) = 0;
    virtual void ClearTabPicture() = 0;
    virtual void SelectTab(int tab) = 0;
    virtual void Repaint() = 0;
};

}  // namespace device
