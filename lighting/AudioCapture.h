// The level capture: a thread that records what the computer plays (16-bit,
// two channels) and hands every packet to its proxy, and the level rule the
// controller applies to those packets for keyboards that draw the music
// effect themselves.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/AudioLoopback.h"

class AudioCapture {
public:
    // Receives what the capture thread gets. Every call comes on the capture
    // thread.
    class IProxy {
    public:
        virtual ~IProxy() = default;
        // One packet: count 16-bit values (count / channels frames). With no
        // packet in a poll period: samples null and count 0.
        virtual void OnData(const int16_t* samples, size_t count, uint32_t blockAlign, uint32_t bitsPerSample,
                            uint32_t channels) = 0;
        // The stream's format, each time a stream is opened.
        virtual void OnFormat(uint32_t /*rate*/, uint32_t /*channels*/, uint32_t /*bitsPerSample*/) {}
        // The thread is ending.
        virtual void OnStop() {}
    };

    // Binds the callbacks to an owner's member functions; the format and
    // stop callbacks may be left empty.
    template <class T>
    class Proxy final : public IProxy {
    public:
        using DataFn = void (T::*)(const int16_t*, size_t, uint32_t, uint32_t, uint32_t);
        using StopFn = void (T::*)();

        Proxy(T* owner, DataFn data, StopFn stop = nullptr) : m_owner(owner), m_data(data), m_stop(stop) {}

        void OnData(const int16_t* samples, size_t count, uint32_t blockAlign, uint32_t bitsPerSample,
                    uint32_t channels) override {
            if (m_owner && m_data) (m_owner->*m_data)(samples, count, blockAlign, bitsPerSample, channels);
        }
        void OnStop() override {
            if (m_owner && m_stop) (m_owner->*m_stop)();
        }

    private:
        T* m_owner = nullptr;
        DataFn m_data = nullptr;
        StopFn m_stop = nullptr;
    };

    static constexpr std::chrono::milliseconds kPollPeriod{33};
    // The period to use before the main window is up.
    static constexpr std::chrono::milliseconds kStartupPollPeriod{100};
    // A missing or lost stream is opened again at most this often.
    static constexpr std::chrono::milliseconds kReopenPause{1000};
    // The sample the level is read from, counted back from a packet's end.
    static constexpr size_t kLevelSampleFromEnd = 10;
    static constexpr int kMaxLevelByte = 255;

    explicit AudioCapture(std::unique_ptr<AudioLoopback> loopback);
    ~AudioCapture();
    AudioCapture(const AudioCapture&) = delete;
    AudioCapture& operator=(const AudioCapture&) = delete;

    // Starts the capture thread once (later calls only replace the proxy).
    // The proxy may be replaced at any time; a call already under way on the
    // old proxy may still finish after SetProxy returns.
    void Start(std::unique_ptr<IProxy> proxy);
    void SetProxy(std::unique_ptr<IProxy> proxy);
    // Ends the thread and waits for it (not when called from the capture
    // thread itself: then the thread ends after the current callback).
    void Stop();
    [[nodiscard]] bool IsRunning() const;

    // How long the thread sleeps between polls (at least 1 ms).
    void SetPollPeriod(std::chrono::milliseconds period);
    [[nodiscard]] std::chrono::milliseconds PollPeriod() const;

    // The loudness of a packet, 0..128: |v| >> 8 of the value count - 10;
    // 0 without data or with fewer than 10 values.
    [[nodiscard]] static int PacketLevel(const int16_t* samples, size_t count) noexcept;
    // level x gain, truncated, at most 255 (0 for a negative or invalid gain).
    [[nodiscard]] static uint8_t LevelByte(int level, double gain) noexcept;

private:
    void Run();
    bool WaitPoll();
    std::shared_ptr<IProxy> CurrentProxy() const;

    std::unique_ptr<AudioLoopback> m_loopback;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::shared_ptr<IProxy> m_proxy;
    std::thread m_thread;
    // The loop runs while this holds the capture thread's own id; clearing it
    // asks the thread to end.
    std::atomic<std::thread::id> m_threadId{};
    std::atomic<int> m_pollMs{static_cast<int>(kPollPeriod.count())};
    std::atomic<bool> m_reopen{false};
};
