#include "lighting/AudioCapture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

AudioLoopback::Format LevelFormat() {
    AudioLoopback::Format format;
    format.sample = AudioLoopback::Sample::kS16;
    format.channels = 2;
    format.rate = 48000;
    format.packetFrames = 480;  // 10 ms: a few packets per poll
    return format;
}

}  // namespace

AudioCapture::AudioCapture(std::unique_ptr<AudioLoopback> loopback) : m_loopback(std::move(loopback)) {
    if (m_loopback) m_loopback->SetDefaultDeviceChanged([this] { m_reopen = true; });
}

AudioCapture::~AudioCapture() {
    Stop();
    if (m_loopback) m_loopback->SetDefaultDeviceChanged(nullptr);
}

void AudioCapture::Start(std::unique_ptr<IProxy> proxy) {
    std::unique_lock lock(m_mutex);
    m_proxy = std::move(proxy);
    if (!m_loopback || m_threadId.load() != std::thread::id{}) return;
    if (m_thread.joinable()) {
        // A thread told to end from its own callback: reap it first (it takes
        // m_mutex on its way out, so not under the lock).
        std::thread ended = std::move(m_thread);
        lock.unlock();
        if (ended.get_id() == std::this_thread::get_id())
            ended.detach();
        else
            ended.join();
        lock.lock();
        if (m_thread.joinable() || m_threadId.load() != std::thread::id{}) return;
    }
    // The thread's first step takes m_mutex, so it sees its id stored.
    m_thread = std::thread([this] { Run(); });
    m_threadId = m_thread.get_id();
}

void AudioCapture::SetProxy(std::unique_ptr<IProxy> proxy) {
    std::lock_guard lock(m_mutex);
    m_proxy = std::move(proxy);
}

void AudioCapture::Stop() {
    std::thread thread;
    {
        std::lock_guard lock(m_mutex);
        m_threadId = std::thread::id{};
        m_wake.notify_all();
        if (!m_thread.joinable()) return;
        // Asked from the capture thread itself: the loop ends after the
        // current callback; the thread is joined by a later Stop or Start.
        if (m_thread.get_id() == std::this_thread::get_id()) return;
        thread = std::move(m_thread);
    }
    thread.join();
}

bool AudioCapture::IsRunning() const {
    return m_threadId.load() != std::thread::id{};
}

void AudioCapture::SetPollPeriod(std::chrono::milliseconds period) {
    m_pollMs = static_cast<int>(std::clamp<int64_t>(period.count(), 1, 60'000));
    m_wake.notify_all();
}

std::chrono::milliseconds AudioCapture::PollPeriod() const {
    return std::chrono::milliseconds(m_pollMs.load());
}

int AudioCapture::PacketLevel(const int16_t* samples, size_t count) noexcept {
    if (!samples || count < kLevelSampleFromEnd) return 0;
    int value = samples[count - kLevelSampleFromEnd];
    return std::abs(value) >> 8;
}

uint8_t AudioCapture::LevelByte(int level, double gain) noexcept {
    if (!(gain > 0.0) || level <= 0) return 0;  // also NaN
    double scaled = static_cast<double>(level) * gain;
    return scaled >= kMaxLevelByte ? static_cast<uint8_t>(kMaxLevelByte) : static_cast<uint8_t>(scaled);
}

std::shared_ptr<AudioCapture::IProxy> AudioCapture::CurrentProxy() const {
    std::lock_guard lock(m_mutex);
    return m_proxy;
}

// Sleeps one poll period; false when the thread is asked to end.
bool AudioCapture::WaitPoll() {
    const auto self = std::this_thread::get_id();
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, PollPeriod(), [&] { return m_threadId.load() != self; });
    return m_threadId.load() == self;
}

void AudioCapture::Run() {
    const auto self = std::this_thread::get_id();
    { std::lock_guard lock(m_mutex); }  // wait for Start to store our id

    const AudioLoopback::Format wanted = LevelFormat();
    AudioLoopback::Format format = wanted;
    bool open = false;
    auto nextOpen = std::chrono::steady_clock::time_point{};
    std::vector<uint8_t> packet;
    std::vector<int16_t> samples;

    while (m_threadId.load() == self) {
        auto now = std::chrono::steady_clock::now();
        if (m_reopen.exchange(false) && open) {
            // A new default output: follow it.
            m_loopback->Close();
            open = false;
            nextOpen = {};
        }
        if (!open && now >= nextOpen) {
            nextOpen = now + kReopenPause;
            open = m_loopback->Open(wanted);
            if (open) {
                format = m_loopback->CurrentFormat();
                if (auto proxy = CurrentProxy()) proxy->OnFormat(format.rate, format.channels, format.BitsPerSample());
            }
        }
        bool delivered = false;
        while (open && m_threadId.load() == self) {
            auto status = m_loopback->ReadPacket(packet);
            if (status == AudioLoopback::ReadStatus::kEmpty) break;
            if (status == AudioLoopback::ReadStatus::kFailed) {
                m_loopback->Close();
                open = false;
                break;
            }
            if (packet.empty()) continue;
            // A fresh buffer per packet, of whole 16-bit values.
            size_t bytes = (packet.size() + 1) & ~size_t{1};
            samples.assign(bytes / 2, 0);
            std::memcpy(samples.data(), packet.data(), packet.size());
            if (auto proxy = CurrentProxy()) {
                proxy->OnData(samples.data(), samples.size(), format.BlockAlign(), format.BitsPerSample(),
                              format.channels);
            }
            delivered = true;
        }
        if (!delivered) {
            if (auto proxy = CurrentProxy())
                proxy->OnData(nullptr, 0, format.BlockAlign(), format.BitsPerSample(), format.channels);
        }
        if (!WaitPoll()) break;
    }
    if (open) m_loopback->Close();
    if (auto proxy = CurrentProxy()) proxy->OnStop();
    auto expected = self;
    m_threadId.compare_exchange_strong(expected, std::thread::id{});
}
