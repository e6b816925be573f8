// Loads the layout (and its store) of a device type; the catalogue reader
// implements it.
#pragma once

namespace device {

class ILayoutSwitcher {
public:
    virtual ~ILayoutSwitcher() = default;
    [[nodiscard]] virtual int LoadedDeviceType() const = 0;
    virtual void LoadLayout(int deviceType) = 0;
};

}  // namespace device
