// Screen lighting: a thread that shrinks the screen to a grid of cells so
// each key can show the colour of the screen at its place in the layout.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/ScreenCapture.h"

class ScreenLight {
public:
    static constexpr int kGridColumns = 30;
    static constexpr int kGridRows = 8;
    static constexpr int kCaptureWidth = 480;
    static constexpr int kCaptureHeight = 270;
    static constexpr int kCellColumns = 18;
    static constexpr int kCellRows = 6;
    // At most 30 samples a second: the keyboard takes a frame every 16 ms
    // at best, and sampling without pause would keep a core busy.
    static constexpr std::chrono::milliseconds kMinSampleInterval{33};
    static constexpr std::chrono::milliseconds kIdlePause{1000};

    // Colours 0x00BBGGRR (red in the low byte), [column][row].
    using Grid = std::array<std::array<uint32_t, kGridRows>, kGridColumns>;

    explicit ScreenLight(std::unique_ptr<ScreenCapture> capture);
    ~ScreenLight();
    ScreenLight(const ScreenLight&) = delete;
    ScreenLight& operator=(const ScreenLight&) = delete;

    // Takes the layout's size and starts the sampling thread the first time
    // (a later call only changes the size). Nothing without rows or columns.
    void Start(int rows, int columns);
    // Ends the thread and waits for it (at exit).
    void Stop();
    [[nodiscard]] bool IsRunning() const;

    void SetLayout(int rows, int columns);
    // Sampling happens only while active (a screen lighting mode is shown).
    void SetActive(bool active);
    [[nodiscard]] bool IsActive() const { return m_active.load(); }
    void SetSampleInterval(std::chrono::milliseconds interval);

    // One capture into the grid; false when the screen cannot be read (the
    // grid then keeps its colours).
    bool Sample();
    // Whether the last capture succeeded (false before the first one).
    [[nodiscard]] bool CanSample() const { return m_canSample.load(); }
    [[nodiscard]] uint64_t SampleCount() const { return m_samples.load(); }

    [[nodiscard]] Grid ColourGrid() const;
    // The colour for the key at layout column, row; beyond the grid the last
    // column / row is read.
    [[nodiscard]] uint32_t Colour(int column, int row) const;

private:
    void Run();

    std::unique_ptr<ScreenCapture> m_capture;
    std::vector<uint32_t> m_pixels;  // the 480 x 270 capture (sampling thread)

    mutable std::mutex m_gridMutex;
    Grid m_grid{};

    std::atomic<int> m_rows{0};
    std::atomic<int> m_columns{0};
    std::atomic<int> m_intervalMs{static_cast<int>(kMinSampleInterval.count())};
    std::atomic<bool> m_active{false};
    std::atomic<bool> m_canSample{false};
    std::atomic<uint64_t> m_samples{0};

    mutable std::mutex m_threadMutex;
    std::condition_variable m_wake;
    bool m_running = false;  // under m_threadMutex
    std::thread m_thread;
};
