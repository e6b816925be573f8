#include "lighting/Visualizer.h"

#include <kissfft/kiss_fftr.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
// The rainbow's own constants: degrees per column (360 / 255) and the
// phase offset of the red and blue waves (about 2 pi / 3).
constexpr float kRainbowDegreesPerColumn = 1.4117647f;
constexpr float kRainbowPi = 3.14f;
constexpr float kRainbowPhase = 2.0933335f;
constexpr float kRainbowAmplitude = 127.0f;

constexpr int kHueCentreColumn = 128;
constexpr int kHueCentreRow = 32;
constexpr int kHueBottomRow = 64;

struct Rgb {
    float r = 0, g = 0, b = 0;
};

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kCyan{0, 255, 255};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kMagenta{255, 0, 255};

// Solid schemes 0..8.
constexpr std::array<Rgb, 9> kSolid = {kBlack, kWhite, kRed,  Rgb{255, 64, 0}, kYellow,
                                       kGreen, kCyan,  kBlue, Rgb{64, 0, 255}};

struct Gradient {
    std::array<Rgb, 6> stops;
    int count;
};

// Gradient schemes 9..14.
const std::array<Gradient, 6> kGradients = {{
    {{kGreen, kYellow, kRed}, 3},
    {{kGreen, kWhite, kRed}, 3},
    {{kBlue, kCyan, kWhite}, 3},
    {{kRed, kWhite, kBlue}, 3},
    {{kRed, kYellow, kGreen, kCyan, kBlue, kMagenta}, 6},
    {{kMagenta, kBlue, kCyan, kGreen, kYellow, kRed}, 6},
}};

constexpr int kFirstGradientScheme = 9;
constexpr int kHueWheelScheme = 16;
constexpr int kHueAroundCentreScheme = 17;
constexpr int kHueAroundBottomScheme = 18;
constexpr int kHueOnlyScheme = 19;
constexpr int kRainbowColumnOneScheme = 20;

Rgb AlongGradient(const Gradient& g, float t) {
    float pos = std::clamp(t, 0.0f, 1.0f) * static_cast<float>(g.count - 1);
    int i = std::min(static_cast<int>(pos), g.count - 2);
    float f = pos - static_cast<float>(i);
    const Rgb& a = g.stops[static_cast<size_t>(i)];
    const Rgb& b = g.stops[static_cast<size_t>(i + 1)];
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}

float WrapDegrees(float degrees) {
    float d = std::fmod(degrees, 360.0f);
    if (d < 0) d += 360.0f;
    return std::isfinite(d) ? d : 0.0f;
}

// Full saturation and value.
Rgb FromHue(float degrees) {
    float h = WrapDegrees(degrees) / 60.0f;
    int sector = std::min(static_cast<int>(h), 5);
    float f = h - static_cast<float>(sector);
    float up = 255.0f * f;
    float down = 255.0f * (1.0f - f);
    switch (sector) {
        case 0:
            return {255, up, 0};
        case 1:
            return {down, 255, 0};
        case 2:
            return {0, 255, up};
        case 3:
            return {0, down, 255};
        case 4:
            return {up, 0, 255};
        default:
            return {255, 0, down};
    }
}

Rgb Rainbow(int column, float hue) {
    float angle = WrapDegrees(static_cast<float>(column) * kRainbowDegreesPerColumn - hue) / 360.0f * 2.0f * kRainbowPi;
    return {(std::sin(angle + kRainbowPhase) + 1.0f) * kRainbowAmplitude, (std::sin(angle) + 1.0f) * kRainbowAmplitude,
            (std::sin(angle - kRainbowPhase) + 1.0f) * kRainbowAmplitude};
}

// The angle of every cell around a centre in steps of 1 / kHueSteps of a
// degree, computed once; a frame then needs one hue lookup table, not a hue
// conversion per cell.
constexpr int kHueSteps = 4;
constexpr int kHueTableSize = 360 * kHueSteps;
using AngleTable = std::array<uint16_t, Visualizer::kImageWidth * Visualizer::kImageHeight>;
AngleTable MakeAngles(int centreColumn, int centreRow) {
    AngleTable table{};
    for (int y = 0; y < Visualizer::kImageHeight; ++y) {
        for (int x = 0; x < Visualizer::kImageWidth; ++x) {
            float degrees = std::atan2(static_cast<float>(y - centreRow), static_cast<float>(x - centreColumn)) *
                            180.0f / std::numbers::pi_v<float>;
            if (degrees < 0) degrees += 360.0f;
            int step = static_cast<int>(std::lround(degrees * kHueSteps)) % kHueTableSize;
            table[static_cast<size_t>(y * Visualizer::kImageWidth + x)] = static_cast<uint16_t>(step);
        }
    }
    return table;
}

const AngleTable& AnglesAround(bool bottom) {
    static const AngleTable centre = MakeAngles(kHueCentreColumn, kHueCentreRow);
    static const AngleTable lower = MakeAngles(kHueCentreColumn, kHueBottomRow);
    return bottom ? lower : centre;
}

uint32_t ToColorRef(const Rgb& c, float scale) {
    auto channel = [scale](float v) {
        float s = std::clamp(v, 0.0f, 255.0f) * scale;
        return static_cast<uint32_t>(std::clamp(s, 0.0f, 255.0f));
    };
    return channel(c.r) | channel(c.g) << 8 | channel(c.b) << 16;
}

uint32_t Faded(uint32_t colour, float keep) {
    auto channel = [&](int shift) {
        return static_cast<uint32_t>(static_cast<float>((colour >> shift) & 0xFF) * keep) << shift;
    };
    return channel(0) | channel(8) | channel(16);
}

bool HueDependent(int scheme) {
    return scheme >= Visualizer::kRainbowScheme && scheme < Visualizer::kSchemeCount;
}

}  // namespace

Visualizer::Visualizer(std::unique_ptr<AudioLoopback> loopback) : m_loopback(std::move(loopback)) {
    m_fft = kiss_fftr_alloc(kFftSize, 0, nullptr, nullptr);
    m_fftOut.assign(static_cast<size_t>(kFftSize / 2 + 1) * 2, 0.0f);
    m_deviceNames = {CString(u"Default Loopback Device")};
    BuildTables();
    if (m_loopback) m_loopback->SetDefaultDeviceChanged([this] { OnDefaultDeviceChanged(); });
}

Visualizer::~Visualizer() {
    Stop();
    if (m_loopback) {
        m_loopback->SetDefaultDeviceChanged(nullptr);
        m_loopback->Close();
    }
    kiss_fftr_free(m_fft);
}

void Visualizer::BuildTables() {
    for (int i = 0; i < kBins; ++i) {
        float x = kTwoPi / kBins * static_cast<float>(i);
        m_windows[0][static_cast<size_t>(i)] = (1.0f - std::cos(x)) * 0.5f;
        m_windows[1][static_cast<size_t>(i)] = 0.54f - 0.46f * std::cos(x);
        m_windows[2][static_cast<size_t>(i)] = 0.42f - 0.5f * std::cos(x) + 0.08f * std::cos(2.0f * x);
        m_weights[static_cast<size_t>(i)] = static_cast<float>(i) / kBins * 0.5f + 0.04f;
    }
}

void Visualizer::Init() {
    // The tables and the device list are fixed and were made at
    // construction, so a second Init while the thread runs is harmless.
    {
        std::lock_guard lock(m_paramsMutex);
        m_params = Params{};
    }
    OpenDevice();
}

void Visualizer::SetMusicLayer(int foreMode, int foreAmplitude, int backMode, int backBrightness) {
    std::lock_guard lock(m_paramsMutex);
    m_params.deviceIndex = 0;
    m_params.gain = foreAmplitude;
    m_params.barScheme = foreMode;
    m_params.backScheme = backMode;
    m_params.backBrightness = backBrightness;
}

void Visualizer::Start() {
    if (m_thread.joinable()) return;
    m_running = true;
    m_thread = std::thread([this] { Run(); });
}

void Visualizer::Stop() {
    {
        std::lock_guard lock(m_wakeMutex);
        m_running = false;
    }
    m_wake.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

bool Visualizer::OpenDevice() {
    std::lock_guard lock(m_deviceMutex);
    return OpenDeviceLocked();
}

bool Visualizer::OpenDeviceLocked() {
    if (!m_loopback) return false;
    {
        std::lock_guard lock(m_paramsMutex);
        if (m_params.deviceIndex < 0 || static_cast<size_t>(m_params.deviceIndex) >= m_deviceNames.size())
            m_params.deviceIndex = 0;
    }
    AudioLoopback::Format format;
    format.sample = AudioLoopback::Sample::kF32;
    format.channels = 2;
    format.rate = 48000;
    format.packetFrames = 240;  // 5 ms, so a tone shows within a frame or two
    m_loopback->Close();
    m_deviceOpen = m_loopback->Open(format);
    m_nextOpen = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReopenPauseMs);
    return m_deviceOpen;
}

void Visualizer::OnDefaultDeviceChanged() {
    m_reopen = true;
    m_wake.notify_all();
}

void Visualizer::SetActive(bool active) {
    {
        std::lock_guard lock(m_wakeMutex);
        m_active = active;
    }
    m_wake.notify_all();
}

void Visualizer::SetParams(const Params& params) {
    std::lock_guard lock(m_paramsMutex);
    m_params = params;
}

Visualizer::Params Visualizer::GetParams() const {
    std::lock_guard lock(m_paramsMutex);
    return m_params;
}

bool Visualizer::Pause(int milliseconds) {
    std::unique_lock lock(m_wakeMutex);
    bool wasActive = m_active.load();
    m_wake.wait_for(lock, std::chrono::milliseconds(milliseconds),
                    [&] { return !m_running.load() || m_active.load() != wasActive; });
    return m_running.load();
}

void Visualizer::Run() {
    auto next = std::chrono::steady_clock::now();
    while (m_running.load()) {
        if (!m_active.load()) {
            if (!Pause(kIdlePauseMs)) break;
            next = std::chrono::steady_clock::now();
            continue;
        }
        Frame();
        next += std::chrono::milliseconds(kFramePauseMs);
        auto now = std::chrono::steady_clock::now();
        if (next < now) next = now;
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
        if (!Pause(static_cast<int>(wait))) break;
    }
}

void Visualizer::Frame() {
    Params params = GetParams();

    const float keep = static_cast<float>(std::clamp(params.decayPercent, 0, 100)) / 100.0f;
    for (float& s : m_spectrum) s *= keep;

    Drain(params.gain);
    ComputeSpectrum(params);

    for (size_t i = 0; i < m_smoothed.size(); ++i)
        m_smoothed[i] += (m_spectrum[i] - m_smoothed[i]) * params.timeSmoothing;

    m_hue = WrapDegrees(m_hue);
    TableKey backKey{params.backScheme, params.backBrightness, HueDependent(params.backScheme) ? m_hue : -1.0f};
    if (!(backKey == m_backKey)) {
        BuildColourTable(params.backScheme, params.backBrightness, m_hue, *m_backTable);
        m_backKey = backKey;
    }
    TableKey barKey{params.barScheme, 100, HueDependent(params.barScheme) ? m_hue : -1.0f};
    if (!(barKey == m_barKey)) {
        BuildColourTable(params.barScheme, 100, m_hue, *m_barTable);
        m_barKey = barKey;
    }

    // Silence: after silenceFrames quiet frames the background fades out
    // over twice as many; the image stays faded until sound comes back.
    bool sound = std::any_of(m_smoothed.begin(), m_smoothed.end(), [](float v) { return v >= kSoundThreshold; });
    const int quiet = params.silenceFrames;
    if (sound || quiet <= 0) {
        m_silence = 0;
    } else {
        m_silence = std::min(m_silence + 1, 3 * quiet);
    }
    m_fade =
        (quiet > 0 && m_silence > quiet) ? static_cast<float>(m_silence - quiet) / static_cast<float>(2 * quiet) : 0.0f;

    DrawImage(params);

    {
        std::lock_guard lock(m_frontMutex);
        std::swap(m_front, m_back);
        m_frontSmoothed = m_smoothed;
        m_frontFade = m_fade;
        ++m_frames;
    }
    m_hue += static_cast<float>(params.hueSpeed) / 100.0f;
}

void Visualizer::Drain(int gain) {
    std::lock_guard lock(m_deviceMutex);
    if (m_reopen.exchange(false)) {
        {
            std::lock_guard params(m_paramsMutex);
            m_params.deviceIndex = 0;
        }
        OpenDeviceLocked();
    } else if (!m_deviceOpen && m_loopback && std::chrono::steady_clock::now() >= m_nextOpen) {
        // No capture (none at start, or the device went away): try again now
        // and then, so sound that starts later is seen.
        OpenDeviceLocked();
    }
    if (!m_deviceOpen) return;
    const AudioLoopback::Format format = m_loopback->CurrentFormat();
    for (;;) {
        auto status = m_loopback->ReadPacket(m_packet);
        if (status == AudioLoopback::ReadStatus::kEmpty) break;
        if (status == AudioLoopback::ReadStatus::kFailed) {
            // The device is gone: release it; a default-device change (or the
            // retry above) opens the next one.
            m_loopback->Close();
            m_deviceOpen = false;
            m_nextOpen = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReopenPauseMs);
            m_carryCount = 0;
            break;
        }
        if (format.sample != AudioLoopback::Sample::kF32) continue;
        size_t count = m_packet.size() / sizeof(float);
        // The packet's bytes need not be float-aligned; copy in pieces.
        std::array<float, 256> chunk;
        for (size_t done = 0; done < count;) {
            size_t n = std::min(chunk.size(), count - done);
            std::memcpy(chunk.data(), m_packet.data() + done * sizeof(float), n * sizeof(float));
            AddValues(chunk.data(), n, gain);
            done += n;
        }
    }
}

// Every 4 sample values (two stereo frames) become one value, kept twice in
// the 512-real history; the ring holds the last 256 values.
void Visualizer::AddValues(const float* values, size_t count, int gain) {
    const float scale = 2.0f * static_cast<float>(gain) / 4.0f;
    for (size_t i = 0; i < count; ++i) {
        float v = values[i];
        // Float sound is -1 .. 1; anything else is held there (NaN is silence).
        m_carry[m_carryCount++] = std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
        if (m_carryCount < m_carry.size()) continue;
        m_carryCount = 0;
        float value = (m_carry[0] + m_carry[1] + m_carry[2] + m_carry[3]) * scale;
        m_history[m_historyPos] = value;
        m_historyPos = (m_historyPos + 1) % m_history.size();
    }
}

void Visualizer::ComputeSpectrum(const Params& params) {
    for (size_t v = 0; v < m_history.size(); ++v) {
        float value = m_history[(m_historyPos + v) % m_history.size()];
        m_fftIn[2 * v] = value;
        m_fftIn[2 * v + 1] = value;
    }
    if (params.windowType >= 1 && params.windowType <= 3) {
        const auto& window = m_windows[static_cast<size_t>(params.windowType - 1)];
        for (size_t i = 0; i < window.size(); ++i) m_fftIn[i] *= window[i];
    }
    auto* out = reinterpret_cast<kiss_fft_cpx*>(m_fftOut.data());
    kiss_fftr(m_fft, m_fftIn.data(), out);
    // Interleaved (real, imaginary) pairs, scaled by 1 / 512.
    float* reals = m_fftOut.data();
    constexpr float kScale = 1.0f / kFftSize;
    for (size_t i = 0; i < static_cast<size_t>(kBins); ++i) reals[i] *= kScale;
    reals[0] = reals[2];
    for (size_t i = 0; i < static_cast<size_t>(kBins); ++i) reals[i] *= m_weights[i];

    for (int k = 0; k < kSpectrumBins; ++k) {
        float re = reals[2 * k];
        float im = reals[2 * k + 1];
        float m = std::sqrt(re * re + im * im);
        float level = std::min(std::log10(1.1f * m) * 0.5f + 0.9f * m, 1.0f);
        float& first = m_spectrum[static_cast<size_t>(k * kColumnsPerBin)];
        first = std::max(std::max(first, level), 0.0f);
        for (int j = 1; j < kColumnsPerBin; ++j) m_spectrum[static_cast<size_t>(k * kColumnsPerBin + j)] = first;
    }
    SmoothSpectrum(params.smoothingMode, params.smoothingWidth, m_spectrum);
}

void Visualizer::SmoothSpectrum(int mode, int width, Spectrum& spectrum) {
    if (width < 1) return;
    const int n = static_cast<int>(spectrum.size());
    if (mode == 0) {
        for (int start = 0; start < n; start += width) {
            int end = std::min(start + width, n);
            float sum = 0;
            for (int i = start; i < end; ++i) sum += spectrum[static_cast<size_t>(i)];
            float mean = sum / static_cast<float>(end - start);
            for (int i = start; i < end; ++i) spectrum[static_cast<size_t>(i)] = mean;
        }
        return;
    }
    if (mode != 1) return;
    // Running mean over a prefix sum, so every entry sees the unsmoothed values.
    std::array<double, kBins + 1> prefix{};
    for (int i = 0; i < n; ++i)
        prefix[static_cast<size_t>(i + 1)] = prefix[static_cast<size_t>(i)] + spectrum[static_cast<size_t>(i)];
    for (int i = 0; i < n; ++i) {
        int lo = std::max(0, i - width);
        int hi = std::min(n, i + width + 1);
        spectrum[static_cast<size_t>(i)] =
            static_cast<float>((prefix[static_cast<size_t>(hi)] - prefix[static_cast<size_t>(lo)]) / (hi - lo));
    }
}

void Visualizer::DrawImage(const Params&) {
    Image& image = *m_back;
    const Image& bars = *m_barTable;
    const Image& back = *m_backTable;
    const bool fading = m_fade > 0.0f;
    const float keep = 1.0f - std::min(m_fade, 1.0f);
    // A pixel is lit when (64 - y) / 64 < level: from some row down to the
    // bottom of its column.
    std::array<int, kImageWidth> litFrom;
    for (int x = 0; x < kImageWidth; ++x) {
        const float level = m_smoothed[static_cast<size_t>(x)];
        int y = 0;
        while (y < kImageHeight && !(static_cast<float>(kImageHeight - y) / kImageHeight < level)) ++y;
        litFrom[static_cast<size_t>(x)] = y;
    }
    for (int y = 0; y < kImageHeight; ++y) {
        const size_t row = static_cast<size_t>(y * kImageWidth);
        for (size_t x = 0; x < static_cast<size_t>(kImageWidth); ++x) {
            const size_t at = row + x;
            if (y >= litFrom[x])
                image[at] = bars[at];
            else
                image[at] = fading ? Faded(back[at], keep) : back[at];
        }
    }
}

void Visualizer::CopyFrontImage(Image& out) const {
    std::lock_guard lock(m_frontMutex);
    out = *m_front;
}

uint32_t Visualizer::FrontPixel(int row, int column) const {
    row = std::clamp(row, 0, kImageHeight - 1);
    column = std::clamp(column, 0, kImageWidth - 1);
    std::lock_guard lock(m_frontMutex);
    return (*m_front)[static_cast<size_t>(row * kImageWidth + column)];
}

Visualizer::Spectrum Visualizer::SmoothedSpectrum() const {
    std::lock_guard lock(m_frontMutex);
    return m_frontSmoothed;
}

uint64_t Visualizer::FrameCount() const {
    std::lock_guard lock(m_frontMutex);
    return m_frames;
}

float Visualizer::FadeFactor() const {
    std::lock_guard lock(m_frontMutex);
    return m_frontFade;
}

void Visualizer::BuildColourTable(int scheme, int brightness, float hueAngle, Image& out) {
    const float scale = static_cast<float>(std::clamp(brightness, 0, 100)) * 2.55f / 256.0f;
    auto fill = [&](const Rgb& c) { out.fill(ToColorRef(c, scale)); };
    if (scheme < 0 || scheme >= kSchemeCount) {
        fill(kBlack);
        return;
    }
    if (scheme < static_cast<int>(kSolid.size())) {
        fill(kSolid[static_cast<size_t>(scheme)]);
        return;
    }
    auto at = [&](int x, int y) -> uint32_t& { return out[static_cast<size_t>(y * kImageWidth + x)]; };
    if (scheme < kRainbowScheme) {
        const Gradient& g = kGradients[static_cast<size_t>(scheme - kFirstGradientScheme)];
        // Stops run down the rows (first at the top); the top row runs them
        // along its columns.
        for (int x = 0; x < kImageWidth; ++x)
            at(x, 0) = ToColorRef(AlongGradient(g, static_cast<float>(x) / (kImageWidth - 1)), scale);
        for (int y = 1; y < kImageHeight; ++y) {
            uint32_t c = ToColorRef(AlongGradient(g, static_cast<float>(y) / (kImageHeight - 1)), scale);
            std::fill_n(&at(0, y), kImageWidth, c);
        }
        return;
    }
    switch (scheme) {
        case kRainbowScheme:
        case kHueWheelScheme: {
            for (int x = 0; x < kImageWidth; ++x) {
                Rgb c = scheme == kRainbowScheme ? Rainbow(x, hueAngle)
                                                 : FromHue(static_cast<float>(x) * 360.0f / kImageWidth + hueAngle);
                at(x, 0) = ToColorRef(c, scale);
            }
            for (int y = 1; y < kImageHeight; ++y) std::copy_n(&at(0, 0), kImageWidth, &at(0, y));
            return;
        }
        case kHueAroundCentreScheme:
        case kHueAroundBottomScheme: {
            const AngleTable& angles = AnglesAround(scheme == kHueAroundBottomScheme);
            std::array<uint32_t, kHueTableSize> hues;
            for (int i = 0; i < kHueTableSize; ++i)
                hues[static_cast<size_t>(i)] = ToColorRef(FromHue(static_cast<float>(i) / kHueSteps + hueAngle), scale);
            for (size_t i = 0; i < out.size(); ++i) out[i] = hues[angles[i]];
            return;
        }
        case kHueOnlyScheme:
            fill(FromHue(hueAngle));
            return;
        case kRainbowColumnOneScheme:
            fill(Rainbow(1, hueAngle));
            return;
        default:
            fill(kBlack);
            return;
    }
}

Visualizer::KeyMapping Visualizer::BuildKeyMapping(int rows, int columns) {
    KeyMapping mapping;
    if (rows <= 0 || columns <= 0) return mapping;
    const int band = (kImageHeight - 2) / rows;
    const int step = (kImageWidth - 1) / columns;
    for (int i = 0; i < rows; ++i) mapping.rowBand.push_back(static_cast<int>(band * i + 2 + band * 0.5));
    for (int j = 0; j < columns; ++j) mapping.columnPosition.push_back(j * step);
    return mapping;
}
