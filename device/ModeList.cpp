#include "device/ModeList.h"

namespace device {

void ModeList::AddLine(const ModeLine& line) {
    std::lock_guard lock(m_mutex);
    m_lines.push_back(line);
}

void ModeList::Clear() {
    std::lock_guard lock(m_mutex);
    m_lines.clear();
}

std::vector<ModeLine> ModeList::Lines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

bool ModeList::IsPresent(size_t index) const {
    std::lock_guard lock(m_mutex);
    return index < m_lines.size() && m_lines[index].present;
}

void ModeList::SetPresent(size_t index, bool present) {
    std::lock_guard lock(m_mutex);
    if (index < m_lines.size()) m_lines[index].present = present;
}

void ModeList::Modify(const std::function<void(std::vector<ModeLine>&)>& f) {
    std::lock_guard lock(m_mutex);
    f(m_lines);
}

}  // namespace device
