#include "lighting/ScreenLight.h"

#include <algorithm>

namespace {

uint32_t ArgbToColorRef(uint32_t argb) {
    return (argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16;
}

// First pixel of cell `cell` when `size` pixels are split into `cells`
// cells: pixel p belongs to cell floor(p * cells / size).
int CellStart(int cell, int size, int cells) {
    return (cell * size + cells - 1) / cells;
}

}  // namespace

ScreenLight::ScreenLight(std::unique_ptr<ScreenCapture> capture) : m_capture(std::move(capture)) {}

ScreenLight::~ScreenLight() {
    Stop();
}

void ScreenLight::Start(int rows, int columns) {
    if (rows <= 0 || columns <= 0) return;
    SetLayout(rows, columns);
    std::lock_guard lock(m_threadMutex);
    if (m_thread.joinable()) return;
    m_running = true;
    m_thread = std::thread([this] { Run(); });
}

void ScreenLight::Stop() {
    std::thread thread;
    {
        std::lock_guard lock(m_threadMutex);
        m_running = false;
        thread = std::move(m_thread);
    }
    m_wake.notify_all();
    if (thread.joinable()) thread.join();
}

bool ScreenLight::IsRunning() const {
    std::lock_guard lock(m_threadMutex);
    return m_running;
}

void ScreenLight::SetLayout(int rows, int columns) {
    m_rows = std::max(rows, 0);
    m_columns = std::max(columns, 0);
}

void ScreenLight::SetActive(bool active) {
    {
        std::lock_guard lock(m_threadMutex);
        m_active = active;
    }
    m_wake.notify_all();
}

void ScreenLight::SetSampleInterval(std::chrono::milliseconds interval) {
    m_intervalMs = static_cast<int>(std::clamp<int64_t>(interval.count(), 1, 60'000));
}

void ScreenLight::Run() {
    std::unique_lock lock(m_threadMutex);
    while (m_running) {
        if (!m_active) {
            m_wake.wait_for(lock, kIdlePause, [&] { return !m_running || m_active.load(); });
            continue;
        }
        auto next = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_intervalMs.load());
        lock.unlock();
        Sample();
        lock.lock();
        m_wake.wait_until(lock, next, [&] { return !m_running || !m_active.load(); });
    }
}

bool ScreenLight::Sample() {
    if (!m_capture || !m_capture->Capture(kCaptureWidth, kCaptureHeight, m_pixels) ||
        m_pixels.size() != static_cast<size_t>(kCaptureWidth) * kCaptureHeight) {
        m_canSample = false;
        return false;
    }
    // The 18 x 6 cell image: the mean colour of each cell's pixels.
    std::array<std::array<uint32_t, kCellRows>, kCellColumns> cells{};
    for (int cx = 0; cx < kCellColumns; ++cx) {
        const int x0 = CellStart(cx, kCaptureWidth, kCellColumns);
        const int x1 = CellStart(cx + 1, kCaptureWidth, kCellColumns);
        for (int cy = 0; cy < kCellRows; ++cy) {
            const int y0 = CellStart(cy, kCaptureHeight, kCellRows);
            const int y1 = CellStart(cy + 1, kCaptureHeight, kCellRows);
            uint64_t r = 0, g = 0, b = 0;
            for (int y = y0; y < y1; ++y) {
                const uint32_t* row = m_pixels.data() + static_cast<size_t>(y) * kCaptureWidth;
                for (int x = x0; x < x1; ++x) {
                    r += row[x] >> 16 & 0xFF;
                    g += row[x] >> 8 & 0xFF;
                    b += row[x] & 0xFF;
                }
            }
            const uint64_t n = static_cast<uint64_t>(x1 - x0) * static_cast<uint64_t>(y1 - y0);
            cells[static_cast<size_t>(cx)][static_cast<size_t>(cy)] = static_cast<uint32_t>((r + n / 2) / n) << 16 |
                                                                      static_cast<uint32_t>((g + n / 2) / n) << 8 |
                                                                      static_cast<uint32_t>((b + n / 2) / n);
        }
    }
    // Keys beyond the cell image take the last cell read: below row 5 the
    // cell above them, right of column 17 cell (17, last row read).
    const int columns = std::min(m_columns.load(), kGridColumns);
    const int rows = std::min(m_rows.load(), kGridRows);
    std::lock_guard lock(m_gridMutex);
    uint32_t lastGood = 0;
    for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < rows; ++j) {
            if (i < kCellColumns && j < kCellRows)
                lastGood = ArgbToColorRef(cells[static_cast<size_t>(i)][static_cast<size_t>(j)]);
            m_grid[static_cast<size_t>(i)][static_cast<size_t>(j)] = lastGood;
        }
    }
    m_canSample = true;
    ++m_samples;
    return true;
}

ScreenLight::Grid ScreenLight::ColourGrid() const {
    std::lock_guard lock(m_gridMutex);
    return m_grid;
}

uint32_t ScreenLight::Colour(int column, int row) const {
    column = std::clamp(column, 0, kGridColumns - 1);
    row = std::clamp(row, 0, kGridRows - 1);
    std::lock_guard lock(m_gridMutex);
    return m_grid[static_cast<size_t>(column)][static_cast<size_t>(row)];
}
