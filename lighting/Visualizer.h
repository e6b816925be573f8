// The music visualizer: a spectrum of what the computer plays, drawn as a
// 256 x 64 image of bars over a background, for keyboards whose keys are
// streamed colour by colour. Each key shows the image pixel at its row band
// and column position (BuildKeyMapping).
//
// Contents: parameters and mapping tables; life cycle (Init, Start, Stop,
// OpenDevice); one frame (Frame, also the thread body's step); readers of
// the finished frame; the colour schemes (BuildColourTable).
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

#include "platform/AudioLoopback.h"
#include "ui/base/CString.h"

struct kiss_fftr_state;

class Visualizer {
public:
    static constexpr int kImageWidth = 256;
    static constexpr int kImageHeight = 64;
    static constexpr int kBins = 256;
    static constexpr int kFftSize = 512;
    static constexpr int kSpectrumBins = 64;  // FFT bins shown, 4 columns each
    static constexpr int kColumnsPerBin = kBins / kSpectrumBins;
    static constexpr int kSchemeCount = 21;
    static constexpr int kRainbowScheme = 15;
    static constexpr float kSoundThreshold = 0.0001f;
    static constexpr int kFramePauseMs = 15;
    static constexpr int kIdlePauseMs = 500;
    static constexpr int kReopenPauseMs = 1000;

    // Colours 0x00BBGGRR (red in the low byte), pixel (column x, row y) at
    // [y * kImageWidth + x]; row 0 is the top.
    using Image = std::array<uint32_t, kImageWidth * kImageHeight>;
    using Spectrum = std::array<float, kBins>;

    struct Params {
        int gain = 270;              // input gain (the music layer's amplitude)
        int decayPercent = 80;       // what is left of the spectrum each frame
        int windowType = 1;          // 1 Hann, 2 Hamming, 3 Blackman, else none
        int smoothingMode = 1;       // 0 block mean, 1 running mean
        int smoothingWidth = 8;      // block width / half width of the running mean
        float timeSmoothing = 1.0f;  // 1 = follow the spectrum at once
        int hueSpeed = 500;          // degrees x 100 per frame
        int silenceFrames = 120;     // quiet frames before the image fades
        int backBrightness = 100;    // percent
        int backScheme = 0;
        int barScheme = kRainbowScheme;
        int deviceIndex = 0;
    };

    // Where each key samples the image: row band per layout row, column
    // position per layout column. Empty for a layout without rows or columns.
    struct KeyMapping {
        std::vector<int> rowBand;
        std::vector<int> columnPosition;
    };

    explicit Visualizer(std::unique_ptr<AudioLoopback> loopback);
    ~Visualizer();
    Visualizer(const Visualizer&) = delete;
    Visualizer& operator=(const Visualizer&) = delete;

    // Back to the initial parameters, and opens the default output's
    // monitor. The thread is started apart (Start).
    void Init();
    // Starts the thread once; it idles while the active flag is clear.
    void Start();
    void Stop();
    // (Re)opens the capture on the selected device (index 0 when out of
    // range); false when it could not be opened.
    bool OpenDevice();
    // The default output changed: back to device 0 and reopen, on the
    // visualizer's own thread (or the next Frame). Any thread.
    void OnDefaultDeviceChanged();

    void SetActive(bool active);
    [[nodiscard]] bool IsActive() const { return m_active.load(); }
    void SetParams(const Params& params);
    // A music layer's settings: bar scheme, input gain, background scheme
    // and brightness; back to the default device (reopened by OpenDevice).
    void SetMusicLayer(int foreMode, int foreAmplitude, int backMode, int backBrightness);
    [[nodiscard]] Params GetParams() const;
    [[nodiscard]] const std::vector<CString>& DeviceNames() const { return m_deviceNames; }

    // One frame: decay, take the waiting sound, spectrum, image, hand-over.
    // Called by the thread; tests call it directly (never both at once).
    void Frame();

    // The last finished frame; never a half-drawn one. Any thread.
    void CopyFrontImage(Image& out) const;
    [[nodiscard]] uint32_t FrontPixel(int row, int column) const;
    [[nodiscard]] Spectrum SmoothedSpectrum() const;
    [[nodiscard]] uint64_t FrameCount() const;
    [[nodiscard]] float FadeFactor() const;

    // Fills a 64 x 256 colour table for a scheme (0..20; others are black);
    // brightness in percent (clamped to 0..100); hueAngle in degrees.
    static void BuildColourTable(int scheme, int brightness, float hueAngle, Image& out);
    static KeyMapping BuildKeyMapping(int rows, int columns);
    // Mode 0: each block of width entries becomes its mean; mode 1: each
    // entry becomes the mean of the entries within +-width. Width < 1: none.
    static void SmoothSpectrum(int mode, int width, Spectrum& spectrum);

private:
    struct TableKey {
        int scheme = -1;
        int brightness = -1;
        float hue = -1.0f;
        friend bool operator==(const TableKey&, const TableKey&) = default;
    };

    void BuildTables();
    void Run();
    bool Pause(int milliseconds);
    void Drain(int gain);
    void AddValues(const float* values, size_t count, int gain);
    void ComputeSpectrum(const Params& params);
    void DrawImage(const Params& params);
    bool OpenDeviceLocked();

    std::unique_ptr<AudioLoopback> m_loopback;
    std::vector<CString> m_deviceNames;
    kiss_fftr_state* m_fft = nullptr;

    mutable std::mutex m_paramsMutex;
    Params m_params;

    // Frame state: touched only by the thread that runs Frame.
    std::array<float, kBins> m_history{};  // last 256 values, oldest at m_historyPos
    size_t m_historyPos = 0;
    std::array<float, 4> m_carry{};  // sample values left over from the last packet
    size_t m_carryCount = 0;
    std::vector<uint8_t> m_packet;
    Spectrum m_spectrum{};
    Spectrum m_smoothed{};
    std::array<std::array<float, kBins>, 3> m_windows{};
    std::array<float, kBins> m_weights{};
    std::array<float, kFftSize> m_fftIn{};
    std::vector<float> m_fftOut;  // kFftSize / 2 + 1 complex bins
    float m_hue = 0.0f;
    int m_silence = 0;
    float m_fade = 0.0f;
    std::unique_ptr<Image> m_backTable = std::make_unique<Image>();
    std::unique_ptr<Image> m_barTable = std::make_unique<Image>();
    TableKey m_backKey;
    TableKey m_barKey;
    std::unique_ptr<Image> m_back = std::make_unique<Image>();
    std::chrono::steady_clock::time_point m_nextOpen{};

    // The capture: opened by OpenDevice (any thread) and read by Frame.
    std::mutex m_deviceMutex;
    bool m_deviceOpen = false;

    // The finished frame, handed over under m_frontMutex.
    mutable std::mutex m_frontMutex;
    std::unique_ptr<Image> m_front = std::make_unique<Image>();
    Spectrum m_frontSmoothed{};
    uint64_t m_frames = 0;
    float m_frontFade = 0.0f;

    std::atomic<bool> m_active{false};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_reopen{false};
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    std::thread m_thread;
};
