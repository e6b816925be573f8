// A screen made of whatever the test paints (0x00RRGGBB pixels, scaled to
// the requested size by nearest pixel), or no screen at all.
#pragma once

#include <functional>
#include <mutex>

#include "platform/ScreenCapture.h"

class FakeScreenCapture final : public ScreenCapture {
public:
    struct State {
        std::mutex mutex;
        // Colour of screen pixel (x, y) in a width x height picture of the
        // requested size; empty = no display.
        std::function<uint32_t(int x, int y, int width, int height)> paint;
        int captures = 0;
    };

    explicit FakeScreenCapture(std::shared_ptr<State> state = std::make_shared<State>()) : m_state(std::move(state)) {}

    bool Capture(int width, int height, std::vector<uint32_t>& out) override {
        std::lock_guard lock(m_state->mutex);
        ++m_state->captures;
        if (!m_state->paint) return false;
        out.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                out[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                    m_state->paint(x, y, width, height);
        return true;
    }

private:
    std::shared_ptr<State> m_state;
};
