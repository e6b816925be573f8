// The level capture and the visualizer on a real sound server: a private
// PulseAudio whose default output is a null sink, with a tone played into it.
#include <gtest/gtest.h>

#include <thread>

#include "lighting/AudioCapture.h"
#include "lighting/Visualizer.h"
#include "tests/lighting/LightingFixtures.h"

namespace {

using namespace std::chrono_literals;

template <class Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(5ms);
    return condition();
}

// The controller's side of the level capture: the level of every packet.
struct LevelMeter {
    std::mutex mutex;
    std::vector<int> levels;  // -1 for a poll without data
    void OnAudioData(const int16_t* samples, size_t count, uint32_t, uint32_t, uint32_t) {
        std::lock_guard lock(mutex);
        levels.push_back(samples ? AudioCapture::PacketLevel(samples, count) : -1);
    }
    size_t Size() {
        std::lock_guard lock(mutex);
        return levels.size();
    }
    // The loudest packet after index `from`.
    int LoudestSince(size_t from) {
        std::lock_guard lock(mutex);
        int top = -1;
        for (size_t i = from; i < levels.size(); ++i) top = std::max(top, levels[i]);
        return top;
    }
    // Packets at the end that are all silent (zero data, or none).
    size_t QuietTail() {
        std::lock_guard lock(mutex);
        size_t n = 0;
        for (auto it = levels.rbegin(); it != levels.rend() && *it <= 0; ++it) ++n;
        return n;
    }
};

int LitPixels(const Visualizer& visualizer) {
    Visualizer::Image image;
    visualizer.CopyFrontImage(image);
    // Default schemes: black background, rainbow bars.
    return static_cast<int>(std::count_if(image.begin(), image.end(), [](uint32_t c) { return c != 0; }));
}

class AudioLoopbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Start()) << "could not start a private PulseAudio";
        m_tone = m_server.MakeTone(1000, 1.0);
        ASSERT_FALSE(m_tone.empty()) << "sox could not make the tone";
    }

    lightingtest::PulseServer m_server;
    std::string m_tone;
};

TEST_F(AudioLoopbackTest, LevelCaptureHearsTheToneAndTheSilenceAfter) {
    LevelMeter meter;
    AudioCapture capture(CreateAudioLoopback());
    capture.Start(std::make_unique<AudioCapture::Proxy<LevelMeter>>(&meter, &LevelMeter::OnAudioData));
    ASSERT_TRUE(WaitFor([&] { return meter.Size() >= 5; }, 5s));
    EXPECT_LE(meter.LoudestSince(0), 0) << "sound before the tone";

    size_t before = meter.Size();
    auto* player = m_server.Play(m_tone);
    ASSERT_NE(player, nullptr);
    // A 0.5 sine reaches about 64; some packet's sample is well above 10.
    EXPECT_TRUE(WaitFor([&] { return meter.LoudestSince(before) > 10; }, 5s)) << meter.LoudestSince(before);
    ASSERT_TRUE(player->Wait(10s));
    EXPECT_TRUE(WaitFor([&] { return meter.QuietTail() >= 20; }, 5s));
    capture.Stop();
    EXPECT_FALSE(capture.IsRunning());
}

TEST_F(AudioLoopbackTest, LevelCaptureComesBackAfterTheServerRestarts) {
    LevelMeter meter;
    AudioCapture capture(CreateAudioLoopback());
    capture.Start(std::make_unique<AudioCapture::Proxy<LevelMeter>>(&meter, &LevelMeter::OnAudioData));
    ASSERT_TRUE(WaitFor([&] { return meter.Size() >= 5; }, 5s));
    ASSERT_TRUE(m_server.Restart());
    // The capture polls on (no data) and opens the new server's output.
    std::this_thread::sleep_for(AudioCapture::kReopenPause + 500ms);
    size_t before = meter.Size();
    bool heard = false;
    for (int attempt = 0; attempt < 3 && !heard; ++attempt) {
        auto* player = m_server.Play(m_tone);
        ASSERT_NE(player, nullptr);
        heard = WaitFor([&] { return meter.LoudestSince(before) > 10; }, 3s);
        player->Wait(10s);
    }
    EXPECT_TRUE(heard);
    EXPECT_TRUE(capture.IsRunning());
}

TEST_F(AudioLoopbackTest, VisualizerShowsTheToneAndFadesBack) {
    Visualizer visualizer(CreateAudioLoopback());
    visualizer.Init();
    visualizer.SetActive(true);
    visualizer.Start();
    ASSERT_TRUE(WaitFor([&] { return visualizer.FrameCount() >= 5; }, 5s));
    EXPECT_EQ(LitPixels(visualizer), 0);

    auto* player = m_server.Play(m_tone);
    ASSERT_NE(player, nullptr);
    EXPECT_TRUE(WaitFor([&] { return LitPixels(visualizer) > 0; }, 5s));
    // 1 kHz is FFT bin 10 or 11 at 48 kHz: the bars stand around columns 40-47.
    auto spectrum = visualizer.SmoothedSpectrum();
    auto top = std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin();
    EXPECT_GE(top, 40 - 8);
    EXPECT_LE(top, 47 + 8);
    ASSERT_TRUE(player->Wait(10s));
    EXPECT_TRUE(WaitFor([&] { return LitPixels(visualizer) == 0; }, 5s));
    visualizer.Stop();
}

TEST_F(AudioLoopbackTest, VisualizerFollowsANewDefaultOutput) {
    Visualizer visualizer(CreateAudioLoopback());
    visualizer.Init();
    visualizer.SetActive(true);
    visualizer.Start();
    ASSERT_TRUE(WaitFor([&] { return visualizer.FrameCount() >= 3; }, 5s));

    ASSERT_EQ(m_server.Pactl({"load-module", "module-null-sink", "sink_name=second"}), 0);
    ASSERT_EQ(m_server.Pactl({"set-default-sink", "second"}), 0);
    // Sound on the new default only: seen once the visualizer has moved over.
    bool seen = false;
    for (int attempt = 0; attempt < 3 && !seen; ++attempt) {
        auto* player = m_server.Play(m_tone, "second");
        ASSERT_NE(player, nullptr);
        seen = WaitFor([&] { return LitPixels(visualizer) > 0; }, 3s);
        player->Wait(10s);
    }
    EXPECT_TRUE(seen);
    visualizer.Stop();
}

}  // namespace
