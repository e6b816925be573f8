// What the default playback device is playing, as a recording stream.
//
// The stream records the monitor of the default output, so the lighting can
// follow whatever sound the computer plays. The server converts to the
// sample format asked for. Packets arrive on a thread of the implementation
// and wait in a short queue until the caller takes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class AudioLoopback {
public:
    enum class Sample : uint8_t {
        kS16,  // signed 16-bit little endian
        kF32,  // 32-bit float little endian, -1 .. 1
    };

    struct Format {
        Sample sample = Sample::kS16;
        uint32_t channels = 2;
        uint32_t rate = 48000;
        // How much sound one packet holds (the server may deliver more or less).
        uint32_t packetFrames = 480;

        [[nodiscard]] uint32_t BitsPerSample() const { return sample == Sample::kS16 ? 16 : 32; }
        [[nodiscard]] uint32_t BlockAlign() const { return channels * BitsPerSample() / 8; }
    };

    enum class ReadStatus : uint8_t {
        kPacket,  // one packet was copied out
        kEmpty,   // nothing waiting (the stream is fine)
        kFailed,  // no stream, or the stream ended (device or server gone)
    };

    virtual ~AudioLoopback() = default;

    // Starts recording the monitor of the current default output; closes an
    // earlier stream first. false when there is no server or no device.
    virtual bool Open(const Format& format) = 0;
    virtual void Close() = 0;
    [[nodiscard]] virtual bool IsOpen() const = 0;
    // The format of the open stream (meaningless when closed).
    [[nodiscard]] virtual Format CurrentFormat() const = 0;

    // Takes the oldest waiting packet: whole frames in the stream's format;
    // gaps in the sound come as zeros.
    virtual ReadStatus ReadPacket(std::vector<uint8_t>& out) = 0;

    // Called on a thread of the implementation each time the default output
    // changes. The callback must only note the change (set a flag); it must
    // not call back into this object.
    virtual void SetDefaultDeviceChanged(std::function<void()> callback) = 0;
};

// The system's sound server (PulseAudio or PipeWire's pulse server). An empty
// server name means the usual lookup ($PULSE_SERVER, then the user's
// session); the server is never started by this call.
std::unique_ptr<AudioLoopback> CreateAudioLoopback(const std::string& server = {});
