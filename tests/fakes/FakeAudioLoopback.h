// An in-process stand-in for the loopback recording: the test queues
// packets, makes Open fail, ends the stream or announces a new default
// output. Safe to use from the test and a capture thread at once.
#pragma once

#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/AudioLoopback.h"

class FakeAudioLoopback final : public AudioLoopback {
public:
    // What the test sees; shared so it outlives a loopback handed over.
    struct State {
        std::mutex mutex;
        std::deque<std::vector<uint8_t>> packets;
        bool openFails = false;
        bool failed = false;
        bool open = false;
        int opens = 0;
        int closes = 0;
        Format format;
        std::function<void()> onDefaultChanged;

        template <class T>
        void Push(const std::vector<T>& values) {
            std::vector<uint8_t> bytes(values.size() * sizeof(T));
            if (!bytes.empty()) std::memcpy(bytes.data(), values.data(), bytes.size());
            std::lock_guard lock(mutex);
            packets.push_back(std::move(bytes));
        }
        void Fail() {
            std::lock_guard lock(mutex);
            failed = true;
        }
        void FireDefaultChanged() {
            std::function<void()> callback;
            {
                std::lock_guard lock(mutex);
                callback = onDefaultChanged;
            }
            if (callback) callback();
        }
        int Opens() {
            std::lock_guard lock(mutex);
            return opens;
        }
        size_t Pending() {
            std::lock_guard lock(mutex);
            return packets.size();
        }
    };

    explicit FakeAudioLoopback(std::shared_ptr<State> state = std::make_shared<State>()) : m_state(std::move(state)) {}

    [[nodiscard]] const std::shared_ptr<State>& Shared() const { return m_state; }

    bool Open(const Format& format) override {
        std::lock_guard lock(m_state->mutex);
        ++m_state->opens;
        m_state->format = format;
        m_state->failed = false;
        m_state->open = !m_state->openFails;
        return m_state->open;
    }
    void Close() override {
        std::lock_guard lock(m_state->mutex);
        ++m_state->closes;
        m_state->open = false;
    }
    [[nodiscard]] bool IsOpen() const override {
        std::lock_guard lock(m_state->mutex);
        return m_state->open && !m_state->failed;
    }
    [[nodiscard]] Format CurrentFormat() const override {
        std::lock_guard lock(m_state->mutex);
        return m_state->format;
    }
    ReadStatus ReadPacket(std::vector<uint8_t>& out) override {
        std::lock_guard lock(m_state->mutex);
        if (!m_state->open || m_state->failed) return ReadStatus::kFailed;
        if (m_state->packets.empty()) return ReadStatus::kEmpty;
        out = std::move(m_state->packets.front());
        m_state->packets.pop_front();
        return ReadStatus::kPacket;
    }
    void SetDefaultDeviceChanged(std::function<void()> callback) override {
        std::lock_guard lock(m_state->mutex);
        m_state->onDefaultChanged = std::move(callback);
    }

private:
    std::shared_ptr<State> m_state;
};
