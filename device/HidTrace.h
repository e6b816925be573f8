// The HID trace: one line per report exchanged with a board, written and
// flushed as it happens, for debugging a board and checking protocol tests.
//
//   <ms> pid=0x<pppp> <vendor|control> <out|feature-set|feature-get> <hex>[ fail]
//
// <ms> is the time since the process started with three decimals, <hex>
// the bytes in lower case without separators (65 for out, 8 for features;
// a failed feature-get shows the buffer as it was).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Hid.h"

namespace device {

class HidTraceWriter {
public:
    enum class Kind { Out, FeatureSet, FeatureGet };

    // Appends to the file; IsOpen() tells whether it could be opened.
    explicit HidTraceWriter(const std::string& file);
    ~HidTraceWriter();
    HidTraceWriter(const HidTraceWriter&) = delete;
    HidTraceWriter& operator=(const HidTraceWriter&) = delete;

    [[nodiscard]] bool IsOpen() const noexcept { return m_file != nullptr; }
    void Line(int productId, bool control, Kind kind, const uint8_t* bytes, size_t length, bool ok);

    // Formats one line without its newline (exposed for tests).
    [[nodiscard]] static std::string Format(double ms, int productId, bool control, Kind kind, const uint8_t* bytes,
                                            size_t length, bool ok);

private:
    std::mutex m_mutex;
    FILE* m_file = nullptr;
};

// Milliseconds since the process started.
[[nodiscard]] double MillisecondsSinceStart();

// A HID layer that traces every report of the layer it wraps.
[[nodiscard]] std::shared_ptr<hid::Api> WithHidTrace(std::shared_ptr<hid::Api> inner,
                                                     std::shared_ptr<HidTraceWriter> writer);

}  // namespace device
