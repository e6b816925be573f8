// A shrunken copy of the whole screen.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ScreenCapture {
public:
    virtual ~ScreenCapture() = default;

    // Copies the whole screen into width x height pixels (nearest pixel,
    // rows top to bottom, 0x00RRGGBB). false when there is nothing to
    // capture from (no display, the server refused); out is then unchanged.
    virtual bool Capture(int width, int height, std::vector<uint32_t>& out) = 0;
};

// The X11 screen (also XWayland). An empty display name means $DISPLAY.
// Without a display every Capture fails; the connection is retried now and
// then, so a display that appears later is used.
std::unique_ptr<ScreenCapture> CreateScreenCapture(const std::string& display = {});
