// Loopback recording on PulseAudio: a recording stream on the monitor of the
// default sink, run by a threaded main loop. A server subscription watches
// for a new default sink so the owner can reopen on it.
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/AudioLoopback.h"

namespace {

constexpr const char* kClientName = "Tastra";
constexpr const char* kStreamName = "Tastra lighting";
constexpr const char* kDefaultMonitor = "@DEFAULT_MONITOR@";
// Packets kept for a reader that falls behind (about a second of sound).
constexpr size_t kMaxQueuedPackets = 128;
constexpr auto kConnectTimeout = std::chrono::milliseconds(3000);
constexpr auto kStatePoll = std::chrono::milliseconds(2);

class AudioLoopbackPulse final : public AudioLoopback {
public:
    explicit AudioLoopbackPulse(std::string server) : m_server(std::move(server)) {
        m_loop = pa_threaded_mainloop_new();
        if (m_loop && pa_threaded_mainloop_start(m_loop) != 0) {
            pa_threaded_mainloop_free(m_loop);
            m_loop = nullptr;
        }
    }

    ~AudioLoopbackPulse() override {
        if (!m_loop) return;
        pa_threaded_mainloop_lock(m_loop);
        DropStreamLocked();
        DropContextLocked();
        pa_threaded_mainloop_unlock(m_loop);
        pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
    }

    bool Open(const Format& format) override {
        if (!m_loop || format.channels == 0 || format.channels > PA_CHANNELS_MAX || format.rate == 0) return false;
        pa_threaded_mainloop_lock(m_loop);
        DropStreamLocked();
        {
            std::lock_guard lock(m_queueMutex);
            m_packets.clear();
            m_failed = false;
        }
        bool ok = EnsureContextLocked() && ConnectStreamLocked(format);
        if (!ok) DropStreamLocked();
        pa_threaded_mainloop_unlock(m_loop);
        std::lock_guard lock(m_queueMutex);
        m_open = ok;
        if (ok) m_format = format;
        return ok;
    }

    void Close() override {
        if (!m_loop) return;
        pa_threaded_mainloop_lock(m_loop);
        DropStreamLocked();
        pa_threaded_mainloop_unlock(m_loop);
        std::lock_guard lock(m_queueMutex);
        m_packets.clear();
        m_open = false;
    }

    [[nodiscard]] bool IsOpen() const override {
        std::lock_guard lock(m_queueMutex);
        return m_open && !m_failed;
    }

    [[nodiscard]] Format CurrentFormat() const override {
        std::lock_guard lock(m_queueMutex);
        return m_format;
    }

    ReadStatus ReadPacket(std::vector<uint8_t>& out) override {
        std::lock_guard lock(m_queueMutex);
        if (!m_packets.empty()) {
            out = std::move(m_packets.front());
            m_packets.pop_front();
            return ReadStatus::kPacket;
        }
        return m_open && !m_failed ? ReadStatus::kEmpty : ReadStatus::kFailed;
    }

    void SetDefaultDeviceChanged(std::function<void()> callback) override {
        std::lock_guard lock(m_callbackMutex);
        m_onDefaultChanged = std::move(callback);
    }

private:
    // Waits (with the loop unlocked) until ready() or failed() holds; both
    // are evaluated with the loop locked.
    template <class Ready, class Failed>
    bool WaitLocked(Ready ready, Failed failed) {
        auto deadline = std::chrono::steady_clock::now() + kConnectTimeout;
        for (;;) {
            if (ready()) return true;
            if (failed() || std::chrono::steady_clock::now() >= deadline) return false;
            pa_threaded_mainloop_unlock(m_loop);
            std::this_thread::sleep_for(kStatePoll);
            pa_threaded_mainloop_lock(m_loop);
        }
    }

    bool EnsureContextLocked() {
        if (m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY) return true;
        DropContextLocked();
        m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), kClientName);
        if (!m_context) return false;
        if (pa_context_connect(m_context, m_server.empty() ? nullptr : m_server.c_str(), PA_CONTEXT_NOAUTOSPAWN,
                               nullptr) < 0) {
            DropContextLocked();
            return false;
        }
        bool ready = WaitLocked([&] { return pa_context_get_state(m_context) == PA_CONTEXT_READY; },
                                [&] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)); });
        if (!ready) {
            DropContextLocked();
            return false;
        }
        pa_context_set_subscribe_callback(m_context, &AudioLoopbackPulse::OnSubscription, this);
        if (pa_operation* op = pa_context_subscribe(m_context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr))
            pa_operation_unref(op);
        m_haveDefaultSink = false;
        if (pa_operation* op = pa_context_get_server_info(m_context, &AudioLoopbackPulse::OnServerInfo, this))
            pa_operation_unref(op);
        return true;
    }

    bool ConnectStreamLocked(const Format& format) {
        pa_sample_spec sampleSpec{};
        sampleSpec.format = format.sample == Sample::kS16 ? PA_SAMPLE_S16LE : PA_SAMPLE_FLOAT32LE;
        sampleSpec.channels = static_cast<uint8_t>(format.channels);
        sampleSpec.rate = format.rate;
        if (!pa_sample_spec_valid(&sampleSpec)) return false;
        m_stream = pa_stream_new(m_context, kStreamName, &sampleSpec, nullptr);
        if (!m_stream) return false;
        pa_stream_set_read_callback(m_stream, &AudioLoopbackPulse::OnReadable, this);
        pa_stream_set_state_callback(m_stream, &AudioLoopbackPulse::OnStreamState, this);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = static_cast<uint32_t>(-1);
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = std::max<uint32_t>(1, format.packetFrames) * format.BlockAlign();
        auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
        if (pa_stream_connect_record(m_stream, kDefaultMonitor, &attr, flags) < 0) return false;
        return WaitLocked([&] { return pa_stream_get_state(m_stream) == PA_STREAM_READY; },
                          [&] { return !PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream)); });
    }

    void DropStreamLocked() {
        if (!m_stream) return;
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream))) pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }

    void DropContextLocked() {
        if (!m_context) return;
        pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }

    // Main loop thread: move everything readable into the queue.
    static void OnReadable(pa_stream* stream, size_t, void* user) {
        auto* self = static_cast<AudioLoopbackPulse*>(user);
        while (pa_stream_readable_size(stream) > 0) {
            const void* data = nullptr;
            size_t bytes = 0;
            if (pa_stream_peek(stream, &data, &bytes) < 0) break;
            if (bytes == 0) break;
            std::vector<uint8_t> packet(bytes, 0);  // a hole stays zeros (silence)
            if (data) std::memcpy(packet.data(), data, bytes);
            pa_stream_drop(stream);
            std::lock_guard lock(self->m_queueMutex);
            if (self->m_packets.size() >= kMaxQueuedPackets) self->m_packets.pop_front();
            self->m_packets.push_back(std::move(packet));
        }
    }

    static void OnStreamState(pa_stream* stream, void* user) {
        auto* self = static_cast<AudioLoopbackPulse*>(user);
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
            std::lock_guard lock(self->m_queueMutex);
            self->m_failed = true;
        }
    }

    static void OnSubscription(pa_context* context, pa_subscription_event_type_t type, uint32_t, void* user) {
        if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SERVER) return;
        if (pa_operation* op = pa_context_get_server_info(context, &AudioLoopbackPulse::OnServerInfo, user))
            pa_operation_unref(op);
    }

    static void OnServerInfo(pa_context*, const pa_server_info* info, void* user) {
        auto* self = static_cast<AudioLoopbackPulse*>(user);
        if (!info) return;
        std::string sink = info->default_sink_name ? info->default_sink_name : "";
        bool first = !self->m_haveDefaultSink;
        bool changed = !first && sink != self->m_defaultSink;
        self->m_defaultSink = sink;
        self->m_haveDefaultSink = true;
        if (!changed) return;
        std::function<void()> callback;
        {
            std::lock_guard lock(self->m_callbackMutex);
            callback = self->m_onDefaultChanged;
        }
        if (callback) callback();
    }

    std::string m_server;
    pa_threaded_mainloop* m_loop = nullptr;
    // Guarded by the main loop lock (or touched only on the loop's thread).
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    std::string m_defaultSink;
    bool m_haveDefaultSink = false;

    mutable std::mutex m_queueMutex;
    std::deque<std::vector<uint8_t>> m_packets;
    bool m_open = false;
    bool m_failed = false;
    Format m_format;

    std::mutex m_callbackMutex;
    std::function<void()> m_onDefaultChanged;
};

}  // namespace

std::unique_ptr<AudioLoopback> CreateAudioLoopback(const std::string& server) {
    return std::make_unique<AudioLoopbackPulse>(server);
}
