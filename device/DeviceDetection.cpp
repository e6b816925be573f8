#include "device/DeviceDetection.h"

namespace device {

void DeviceDetection::RefreshDeviceState() {
    m_connectedToCatalogue = false;
    m_manager.CloseAll();
    m_manager.Rescan();
    m_manager.SetOpenFlag(true);
    m_manager.SetSelectedDeviceType(0);
    m_view.ResetDeviceList();

    std::vector<int> foundTypes;
    std::vector<ModeLine> lines = m_modes.Lines();
    for (size_t i = 0; i < lines.size(); ++i) {
        const ModeLine& line = lines[i];
        if (m_manager.FindOpenedDevice(line.vendorId, line.productId, line.productName, line.modeValue) == -1) continue;
        m_connectedToCatalogue = true;
        m_modes.SetPresent(i, true);
        m_view.SetDeviceListState(line.deviceType, 1);
        foundTypes.push_back(line.deviceType);
    }
    {
        std::lock_guard lock(m_foundMutex);
        m_foundTypes = std::move(foundTypes);
    }
    std::vector<OpenedDeviceInfo> opened;
    m_anyDeviceOpen = m_manager.GetOpenedOfSelectedType(opened);
}

void DeviceDetection::UseDeviceType(int deviceType) {
    m_deviceType = deviceType;
    m_manager.SetSelectedDeviceType(deviceType);
    if (m_layouts.LoadedDeviceType() != deviceType) m_layouts.LoadLayout(deviceType);
}

void DeviceDetection::ApplyDeviceState() {
    if (!m_anyDeviceOpen) {
        m_connMode = kConnNone;
        m_view.SetHeaderStatusText(kTextNotConnected);
        m_view.SelectTab(kTabNone);
        m_view.ShowPageArea(false);
        m_view.ClearTabPicture();
        m_view.Repaint();
        return;
    }

    // The board that carries the reports decides the type: the first line
    // the scan found, in catalogue order; without one, the first opened
    // interface.
    int deviceType = 0;
    {
        std::lock_guard lock(m_foundMutex);
        if (!m_foundTypes.empty()) deviceType = m_foundTypes.front();
    }
    if (deviceType == 0) {
        m_manager.SetSelectedDeviceType(0);
        std::vector<OpenedDeviceInfo> opened;
        if (m_manager.GetOpenedOfSelectedType(opened)) deviceType = opened.front().deviceType;
    }
    UseDeviceType(deviceType);

    const int mode = m_manager.GetConnectionMode();
    m_connMode = mode;
    m_view.SetHeaderStatusText(kTextConnected);
    if (IsSecondFamily(deviceType)) m_view.SetPageFlags(mode == kConnWired ? kPageFlagsWired : kPageFlagsWireless);

    if (mode == kConnWired || m_connectedToCatalogue) {
        m_view.ShowPageArea(true);
        m_view.ShowTabControl(true);
        m_view.ShowStatusLine(true);
        m_view.SetDeviceLabel(kTextDeviceLabel);
        m_view.SetDevicePicture(kKeyboardIcon);
        m_view.SelectTab(mode == kConnWired || !IsSecondFamily(deviceType) ? kTabKeys : kTabLighting);
        m_view.Repaint();
        m_queue.PostDeviceCommand(kCmdVersionQuery);
        m_queue.PostDeviceCommand(kCmdReload);
    } else {
        m_view.SetHeaderStatusText(kTextNotConnected);
        m_view.SelectTab(kTabNone);
        m_view.ShowTabControl(false);
        m_view.ShowPageAreaFrame(false);
        m_view.SetDevicePicture(CString());
        m_view.Repaint();
    }
}

bool DeviceDetection::SelectDeviceType(int deviceType) {
    bool present = false;
    for (const ModeLine& line : m_modes.Lines()) present |= line.present && line.deviceType == deviceType;
    if (!present) return false;
    UseDeviceType(deviceType);
    m_connMode = m_manager.GetConnectionMode();
    return true;
}

}  // namespace device
