// The HID access layer on hidapi's hidraw back end.
//
// hidapi names devices by their node (/dev/hidrawN); the layer names them
// canonically (HidInterfaceName.h) and keeps, per enumeration, which node
// each name stands for.
#include <hidapi/hidapi.h>
#include <unistd.h>

#include <climits>
#include <map>
#include <mutex>

#include "platform/Hid.h"
#include "platform/HidInterfaceName.h"

namespace hid {
namespace {

CString FromWide(const wchar_t* text) {
    CString out;
    if (!text) return out;
    for (; *text; ++text) {
        auto cp = static_cast<uint32_t>(*text);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

// The sysfs path of a hidraw node: /dev/hidraw3 -> /devices/.../hidraw/hidraw3.
std::string DevpathOfNode(const std::string& node) {
    size_t slash = node.rfind('/');
    std::string sysname = slash == std::string::npos ? node : node.substr(slash + 1);
    if (sysname.empty() || sysname.find("..") != std::string::npos) return {};
    std::string link = "/sys/class/hidraw/" + sysname;
    char target[PATH_MAX];
    ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) return {};
    target[n] = '\0';
    std::string path(target);
    size_t devices = path.find("/devices/");
    return devices == std::string::npos ? std::string{} : path.substr(devices);
}

std::string CanonicalName(const hid_device_info* info) {
    std::string node = info->path ? info->path : "";
    if (auto identity = ParseHidDevpath(DevpathOfNode(node))) {
        if (identity->bus == kBusUsb && identity->interfaceNumber < 0 && info->interface_number >= 0)
            identity->interfaceNumber = info->interface_number;
        return BuildInterfaceName(*identity);
    }
    // No sysfs entry (unusual): build the name from what hidapi reports.
    InterfaceIdentity identity;
    identity.bus = info->bus_type == HID_API_BUS_BLUETOOTH ? kBusBluetooth : kBusUsb;
    identity.vendorId = info->vendor_id;
    identity.productId = info->product_id;
    identity.interfaceNumber = identity.bus == kBusUsb ? info->interface_number : -1;
    size_t slash = node.rfind('/');
    identity.sysfsId = slash == std::string::npos ? node : node.substr(slash + 1);
    return BuildInterfaceName(identity);
}

class HidapiDevice final : public Device {
public:
    explicit HidapiDevice(hid_device* handle) : m_handle(handle) {}
    ~HidapiDevice() override { hid_close(m_handle); }
    HidapiDevice(const HidapiDevice&) = delete;
    HidapiDevice& operator=(const HidapiDevice&) = delete;

    int Write(const uint8_t* data, size_t length) override { return hid_write(m_handle, data, length); }
    int SendFeatureReport(const uint8_t* data, size_t length) override {
        return hid_send_feature_report(m_handle, data, length);
    }
    int GetFeatureReport(uint8_t* data, size_t length) override {
        return hid_get_feature_report(m_handle, data, length);
    }

private:
    hid_device* m_handle;
};

class HidapiApi final : public Api {
public:
    ~HidapiApi() override {
        if (m_initialised) hid_exit();
    }

    bool Init() override {
        std::lock_guard lock(m_mutex);
        if (!m_initialised) m_initialised = hid_init() == 0;
        return m_initialised;
    }

    std::vector<DeviceInfo> Enumerate() override {
        std::vector<DeviceInfo> out;
        if (!Init()) return out;
        std::lock_guard lock(m_mutex);
        m_nodes.clear();
        hid_device_info* list = hid_enumerate(0, 0);
        for (hid_device_info* info = list; info; info = info->next) {
            DeviceInfo entry;
            entry.path = CanonicalName(info);
            entry.vendorId = info->vendor_id;
            entry.productId = info->product_id;
            entry.releaseNumber = info->release_number;
            entry.productString = FromWide(info->product_string);
            entry.usagePage = info->usage_page;
            entry.usage = info->usage;
            entry.interfaceNumber = info->interface_number;
            if (info->path) m_nodes[entry.path] = info->path;
            out.push_back(std::move(entry));
        }
        hid_free_enumeration(list);
        return out;
    }

    std::unique_ptr<Device> Open(const std::string& path) override {
        if (!Init()) return nullptr;
        std::string node;
        {
            std::lock_guard lock(m_mutex);
            auto found = m_nodes.find(path);
            if (found != m_nodes.end()) node = found->second;
        }
        if (node.empty()) return nullptr;
        hid_device* handle = hid_open_path(node.c_str());
        if (!handle) return nullptr;
        return std::make_unique<HidapiDevice>(handle);
    }

private:
    std::mutex m_mutex;
    bool m_initialised = false;
    std::map<std::string, std::string> m_nodes;  // canonical name -> /dev/hidrawN
};

}  // namespace

std::unique_ptr<Api> CreateHidapiBackend() {
    return std::make_unique<HidapiApi>();
}

}  // namespace hid
