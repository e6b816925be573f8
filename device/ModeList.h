// ModeList: the keyboard/mode lines of the catalogue as the device link
// uses them (ids, interface pattern) with the present flag of each.
//
// A scan on the worker thread sets present flags and a removal event on the
// UI thread clears them, so the list has its own lock.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "ui/base/CString.h"

namespace device {

struct ModeLine {
    int vendorId = 0;
    int productId = 0;
    CString productName;  // empty matches any product string
    int deviceType = 0;
    int modeValue = 0;     // connection mode
    CString hidInterface;  // pattern in device interface names; empty matches all
    bool present = false;
};

class ModeList {
public:
    void AddLine(const ModeLine& line);
    void Clear();
    [[nodiscard]] std::vector<ModeLine> Lines() const;
    [[nodiscard]] bool IsPresent(size_t index) const;
    void SetPresent(size_t index, bool present);
    // Runs f on the lines with the list locked.
    void Modify(const std::function<void(std::vector<ModeLine>&)>& f);

private:
    mutable std::mutex m_mutex;
    std::vector<ModeLine> m_lines;
};

}  // namespace device
