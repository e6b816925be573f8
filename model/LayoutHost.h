// LayoutHost: the parts of the program the catalogue and layout reader hands
// its results to: the device manager's catalogue, the device list of the home
// page, the profile store, the keyboard pictures and the hot-plug
// registration. Every call has a no-op default, so the reader works (and is
// tested) with any subset wired up.
#pragma once

#include "model/KeyboardPicture.h"
#include "model/SoftwareInfo.h"
#include "ui/base/CString.h"

class KeyboardDefinition;

class LayoutHost {
public:
    virtual ~LayoutHost() = default;

    // One connection mode of a catalogued keyboard (DeviceManager).
    virtual void AddSupportedDevice(int vendorId, int productId, const CString& productName, int deviceType,
                                    int modeValue, const CString& hidInterface) {
        (void)vendorId, (void)productId, (void)productName, (void)deviceType, (void)modeValue, (void)hidInterface;
    }
    // One keyboard of the catalogue, not yet present (device list control).
    virtual void AddDevice(const CString& name, int deviceType) { (void)name, (void)deviceType; }
    // The software section of config.xml was read.
    virtual void SetSoftwareInfo(const SoftwareInfo& info) { (void)info; }
    // Register for hot-plug notifications of HID interfaces; called once, at
    // the end of a successful catalogue read.
    virtual void RegisterDeviceNotifications() {}

    // The profile store of the selected model: closed (when open) before a
    // layout is read, then opened for the model's name in the data folder.
    // Not opened when no catalogued keyboard has the device type.
    virtual void CloseStore() {}
    virtual void OpenStore(const CString& dataFolder, const CString& deviceName) {
        (void)dataFolder, (void)deviceName;
    }

    // The keyboard picture of a page flag bit (KeyboardDefinition::kPageKeys,
    // kPageLight, kPageThird); null when the program has none.
    virtual KeyboardPicture* Picture(int pageBit) {
        (void)pageBit;
        return nullptr;
    }
    // A layout read ended (also when its file was missing): tabs, firmware
    // button and slider maxima follow the definition.
    virtual void LayoutLoaded(const KeyboardDefinition& definition) { (void)definition; }
};
