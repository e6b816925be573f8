// Hot-plug through a libudev monitor thread on subsystem hidraw.
#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <thread>

#include "platform/HidInterfaceName.h"
#include "platform/Hotplug.h"

namespace hotplug {
namespace {

// Present while udevd runs; its events come after rules (permissions) ran.
constexpr const char* kUdevdControl = "/run/udev/control";

class UdevMonitor final : public Monitor {
public:
    ~UdevMonitor() override { Stop(); }

    bool Start(Callback callback) override {
        std::lock_guard lock(m_lifecycle);
        if (m_thread.joinable() || !callback) return false;
        udev* context = udev_new();
        if (!context) return false;
        const char* source = access(kUdevdControl, F_OK) == 0 ? "udev" : "kernel";
        udev_monitor* monitor = udev_monitor_new_from_netlink(context, source);
        if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
            udev_monitor_enable_receiving(monitor) < 0) {
            if (monitor) udev_monitor_unref(monitor);
            udev_unref(context);
            return false;
        }
        int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wake < 0) {
            udev_monitor_unref(monitor);
            udev_unref(context);
            return false;
        }
        m_udev = context;
        m_monitor = monitor;
        m_wake = wake;
        m_thread = std::thread([this, cb = std::move(callback)] { Run(cb); });
        return true;
    }

    void Stop() override {
        std::lock_guard lock(m_lifecycle);
        if (!m_thread.joinable()) return;
        uint64_t one = 1;
        ssize_t ignored = write(m_wake, &one, sizeof one);
        (void)ignored;
        m_thread.join();
        close(m_wake);
        m_wake = -1;
        udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
        udev_unref(m_udev);
        m_udev = nullptr;
    }

private:
    void Run(const Callback& callback) {
        pollfd fds[2] = {{udev_monitor_get_fd(m_monitor), POLLIN, 0}, {m_wake, POLLIN, 0}};
        for (;;) {
            if (poll(fds, 2, -1) < 0) continue;
            if (fds[1].revents) return;
            if (!(fds[0].revents & POLLIN)) continue;
            udev_device* device = udev_monitor_receive_device(m_monitor);
            if (!device) continue;
            Deliver(device, callback);
            udev_device_unref(device);
        }
    }

    void Deliver(udev_device* device, const Callback& callback) {
        const char* action = udev_device_get_action(device);
        const char* sysname = udev_device_get_sysname(device);
        if (!action || !sysname) return;
        std::string key = sysname;
        std::map<std::string, std::string> properties;
        for (udev_list_entry* e = udev_device_get_properties_list_entry(device); e; e = udev_list_entry_get_next(e)) {
            const char* name = udev_list_entry_get_name(e);
            const char* value = udev_list_entry_get_value(e);
            if (name && value) properties[name] = value;
        }
        std::optional<std::string> name = hid::InterfaceNameFromUdev(properties);
        std::string actionText = action;
        if (actionText == "add") {
            if (!name) return;
            m_arrived[key] = *name;
            callback(Event{Change::Arrival, *name});
        } else if (actionText == "remove") {
            // A removed device has no parents left; its DEVPATH still names
            // the HID device, else the name remembered at arrival serves.
            auto cached = m_arrived.find(key);
            if (!name && cached != m_arrived.end()) name = cached->second;
            if (cached != m_arrived.end()) m_arrived.erase(cached);
            if (name) callback(Event{Change::Removal, *name});
        }
    }

    std::mutex m_lifecycle;
    std::thread m_thread;
    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    int m_wake = -1;
    std::map<std::string, std::string> m_arrived;  // hidraw sysname -> name (monitor thread only)
};

}  // namespace

std::unique_ptr<Monitor> CreateUdevMonitor() {
    return std::make_unique<UdevMonitor>();
}

}  // namespace hotplug
