// The music visualizer: key mapping, colour schemes, the spectrum of a sine,
// smoothing, silence and fading, and the frame hand-over between threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <numbers>
#include <set>
#include <thread>

#include "lighting/Visualizer.h"
#include "tests/fakes/FakeAudioLoopback.h"

namespace {

constexpr int kRate = 48000;

uint32_t Ref(int r, int g, int b) {
    return static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b) << 16;
}
int R(uint32_t c) {
    return static_cast<int>(c & 0xFF);
}
int G(uint32_t c) {
    return static_cast<int>(c >> 8 & 0xFF);
}
int B(uint32_t c) {
    return static_cast<int>(c >> 16 & 0xFF);
}

// A channel at full brightness: 255 x 100 x 2.55 / 256, truncated.
int Full(double v) {
    return static_cast<int>(v * 100 * 2.55 / 256);
}

uint32_t At(const Visualizer::Image& image, int x, int y) {
    return image[static_cast<size_t>(y * Visualizer::kImageWidth + x)];
}

std::vector<float> StereoSine(double frequency, double amplitude, int frames, int startFrame = 0) {
    std::vector<float> samples;
    for (int i = startFrame; i < startFrame + frames; ++i) {
        float v = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * frequency * i / kRate));
        samples.push_back(v);
        samples.push_back(v);
    }
    return samples;
}

struct Rig {
    std::shared_ptr<FakeAudioLoopback::State> audio = std::make_shared<FakeAudioLoopback::State>();
    Visualizer visualizer{std::make_unique<FakeAudioLoopback>(audio)};
    Rig() { visualizer.Init(); }
};

TEST(VisualizerKeyMapping, RowBandsAndColumnPositions) {
    auto six = Visualizer::BuildKeyMapping(6, 21);
    EXPECT_EQ(six.rowBand, (std::vector<int>{7, 17, 27, 37, 47, 57}));
    ASSERT_EQ(six.columnPosition.size(), 21u);
    for (int j = 0; j < 21; ++j) EXPECT_EQ(six.columnPosition[static_cast<size_t>(j)], 12 * j);
    EXPECT_EQ(six.columnPosition.back(), 240);

    // Every band and position stays inside the image, whatever the layout.
    for (int rows : {1, 5, 8, 63, 64, 100}) {
        for (int columns : {1, 17, 32, 255, 256, 300}) {
            auto m = Visualizer::BuildKeyMapping(rows, columns);
            for (int band : m.rowBand) EXPECT_TRUE(band >= 0 && band < Visualizer::kImageHeight) << rows;
            for (int pos : m.columnPosition) EXPECT_TRUE(pos >= 0 && pos < Visualizer::kImageWidth) << columns;
        }
    }
}

TEST(VisualizerKeyMapping, EmptyLayoutGivesNoTables) {
    for (auto [rows, columns] : {std::pair{0, 21}, {6, 0}, {0, 0}, {-3, 5}}) {
        auto m = Visualizer::BuildKeyMapping(rows, columns);
        EXPECT_TRUE(m.rowBand.empty() && m.columnPosition.empty()) << rows << "x" << columns;
    }
}

struct Corners {
    int scheme;
    uint32_t topLeft, topRight, bottomLeft, bottomRight;
};

TEST(VisualizerColours, SchemeCorners) {
    const int f = Full(255), q = Full(64);
    const uint32_t black = 0, white = Ref(f, f, f), red = Ref(f, 0, 0), green = Ref(0, f, 0), blue = Ref(0, 0, f),
                   cyan = Ref(0, f, f), magenta = Ref(f, 0, f), yellow = Ref(f, f, 0);
    const Corners cases[] = {
        {0, black, black, black, black},
        {1, white, white, white, white},
        {2, red, red, red, red},
        {3, Ref(f, q, 0), Ref(f, q, 0), Ref(f, q, 0), Ref(f, q, 0)},
        {4, yellow, yellow, yellow, yellow},
        {5, green, green, green, green},
        {6, cyan, cyan, cyan, cyan},
        {7, blue, blue, blue, blue},
        {8, Ref(q, 0, f), Ref(q, 0, f), Ref(q, 0, f), Ref(q, 0, f)},
        // Gradients: the top row runs the stops along the columns, the rows
        // run them downwards, so the bottom row is the last stop.
        {9, green, red, red, red},
        {10, green, red, red, red},
        {11, blue, white, white, white},
        {12, red, blue, blue, blue},
        {13, red, magenta, magenta, magenta},
        {14, magenta, red, red, red},
        {19, red, red, red, red},  // hue 0
        {21, black, black, black, black},
        {-1, black, black, black, black},
    };
    Visualizer::Image table;
    for (const auto& c : cases) {
        Visualizer::BuildColourTable(c.scheme, 100, 0.0f, table);
        EXPECT_EQ(At(table, 0, 0), c.topLeft) << "scheme " << c.scheme;
        EXPECT_EQ(At(table, 255, 0), c.topRight) << "scheme " << c.scheme;
        EXPECT_EQ(At(table, 0, 63), c.bottomLeft) << "scheme " << c.scheme;
        EXPECT_EQ(At(table, 255, 63), c.bottomRight) << "scheme " << c.scheme;
    }
}

TEST(VisualizerColours, GradientMidpoints) {
    Visualizer::Image table;
    auto near = [](uint32_t c, int r, int g, int b) {
        return std::abs(R(c) - r) <= 6 && std::abs(G(c) - g) <= 6 && std::abs(B(c) - b) <= 6;
    };
    const int f = Full(255);
    Visualizer::BuildColourTable(9, 100, 0.0f, table);  // green -> yellow -> red
    EXPECT_TRUE(near(At(table, 100, 31), f, f, 0)) << std::hex << At(table, 100, 31);
    EXPECT_TRUE(near(At(table, 127, 0), f, f, 0)) << std::hex << At(table, 127, 0);
    Visualizer::BuildColourTable(11, 100, 0.0f, table);  // blue -> cyan -> white
    EXPECT_TRUE(near(At(table, 0, 32), 0, f, f)) << std::hex << At(table, 0, 32);
    Visualizer::BuildColourTable(13, 100, 0.0f, table);  // red, yellow, green, cyan, blue, magenta
    EXPECT_TRUE(near(At(table, 51, 0), f, f, 0)) << std::hex << At(table, 51, 0);
    EXPECT_TRUE(near(At(table, 10, 38), 0, f, f)) << std::hex << At(table, 10, 38);  // row 37.8 = cyan
}

TEST(VisualizerColours, RainbowAndHueSchemes) {
    Visualizer::Image table;
    for (float hue : {0.0f, 90.0f, 300.0f}) {
        Visualizer::BuildColourTable(15, 100, hue, table);
        for (int x : {0, 1, 128, 255}) {
            double d = std::fmod(x * 1.4117647 - hue, 360.0);
            if (d < 0) d += 360;
            double angle = d / 360 * 2 * 3.14;
            uint32_t expect = Ref(Full((std::sin(angle + 2.0933335) + 1) * 127), Full((std::sin(angle) + 1) * 127),
                                  Full((std::sin(angle - 2.0933335) + 1) * 127));
            uint32_t got = At(table, x, 40);
            EXPECT_LE(std::abs(R(got) - R(expect)) + std::abs(G(got) - G(expect)) + std::abs(B(got) - B(expect)), 3)
                << "hue " << hue << " column " << x;
            EXPECT_EQ(At(table, x, 0), got);  // the same down every column
        }
        Visualizer::Image one;
        Visualizer::BuildColourTable(20, 100, hue, one);
        EXPECT_EQ(At(one, 0, 0), At(table, 1, 0));
        EXPECT_EQ(At(one, 200, 60), At(table, 1, 0));
    }
    const int f = Full(255);
    Visualizer::BuildColourTable(16, 100, 0.0f, table);
    EXPECT_EQ(At(table, 0, 10), Ref(f, 0, 0));
    Visualizer::BuildColourTable(16, 100, 120.0f, table);  // shifted by the hue angle
    EXPECT_EQ(At(table, 0, 10), Ref(0, f, 0));
    Visualizer::BuildColourTable(17, 100, 0.0f, table);  // around (128, 32)
    EXPECT_EQ(At(table, 255, 32), Ref(f, 0, 0));
    EXPECT_EQ(At(table, 0, 32), Ref(0, f, f));
    Visualizer::BuildColourTable(18, 100, 0.0f, table);  // around (128, 64): the top is violet-blue
    EXPECT_GT(B(At(table, 128, 0)), 200);
    Visualizer::BuildColourTable(19, 100, 240.0f, table);
    EXPECT_EQ(At(table, 77, 7), Ref(0, 0, f));
}

TEST(VisualizerColours, BrightnessScalesEveryChannel) {
    Visualizer::Image table;
    Visualizer::BuildColourTable(1, 50, 0.0f, table);
    EXPECT_EQ(At(table, 9, 9), Ref(127, 127, 127));  // 255 x 50 x 2.55 / 256
    Visualizer::BuildColourTable(1, 0, 0.0f, table);
    EXPECT_EQ(At(table, 9, 9), 0u);
    Visualizer::BuildColourTable(1, 900, 0.0f, table);  // a hostile value is held at 100
    EXPECT_EQ(At(table, 9, 9), Ref(254, 254, 254));
}

TEST(VisualizerSpectrum, SineLightsItsOwnColumns) {
    for (int k : {2, 5, 10, 20, 33, 50, 63}) {
        Rig rig;
        Visualizer::Params p = rig.visualizer.GetParams();
        p.smoothingWidth = 0;  // the default running mean spreads a bin over its neighbours
        rig.visualizer.SetParams(p);
        // Loud enough to show after the low-frequency weighting, not so loud
        // that the neighbours also reach the top.
        double weight = 2.0 * k / 256 * 0.5 + 0.04;
        double amplitude = std::min(0.9, 0.9 / (2 * 270 * 0.375 * weight));
        rig.audio->Push(StereoSine(k * double(kRate) / Visualizer::kFftSize, amplitude, 1024));
        rig.visualizer.Frame();
        auto s = rig.visualizer.SmoothedSpectrum();
        float peak = s[static_cast<size_t>(4 * k)];
        EXPECT_GT(peak, 0.2f) << "bin " << k;
        for (int i = 0; i < Visualizer::kBins; ++i) {
            if (i / 4 == k)
                EXPECT_FLOAT_EQ(s[static_cast<size_t>(i)], peak) << "bin " << k << " column " << i;
            else
                EXPECT_LT(s[static_cast<size_t>(i)], peak) << "bin " << k << " column " << i;
        }
    }
}

TEST(VisualizerSpectrum, DefaultSmoothingKeepsThePeakAroundTheBin) {
    Rig rig;
    const int k = 20;
    rig.audio->Push(StereoSine(k * double(kRate) / Visualizer::kFftSize, 0.05, 1024));
    rig.visualizer.Frame();
    auto s = rig.visualizer.SmoothedSpectrum();
    auto top = std::max_element(s.begin(), s.end()) - s.begin();
    EXPECT_GE(top, 4 * k - 8);
    EXPECT_LE(top, 4 * k + 11);
    EXPECT_EQ(s[0], 0.0f);
    EXPECT_EQ(s[255], 0.0f);
}

TEST(VisualizerSpectrum, DecaysWhenTheSoundStops) {
    Rig rig;
    rig.audio->Push(StereoSine(10 * double(kRate) / Visualizer::kFftSize, 0.1, 1024));
    rig.visualizer.Frame();
    float loud = rig.visualizer.SmoothedSpectrum()[40];
    ASSERT_GT(loud, 0.0f);
    rig.audio->Push(std::vector<float>(2 * 1024, 0.0f));  // the history fills with silence
    for (int i = 0; i < 3; ++i) rig.visualizer.Frame();
    // 80 % left per frame (the running mean moves a little of it around).
    EXPECT_LT(rig.visualizer.SmoothedSpectrum()[40], loud * 0.8f * 0.8f * 0.8f * 1.05f);
    EXPECT_GT(rig.visualizer.SmoothedSpectrum()[40], 0.0f);
}

TEST(VisualizerSpectrum, SmoothingModes) {
    Visualizer::Spectrum s{};
    s[0] = 4;
    s[5] = 8;
    Visualizer::Spectrum blocks = s;
    Visualizer::SmoothSpectrum(0, 4, blocks);
    EXPECT_FLOAT_EQ(blocks[0], 1.0f);
    EXPECT_FLOAT_EQ(blocks[3], 1.0f);
    EXPECT_FLOAT_EQ(blocks[4], 2.0f);
    EXPECT_FLOAT_EQ(blocks[8], 0.0f);
    Visualizer::Spectrum running = s;
    Visualizer::SmoothSpectrum(1, 1, running);
    EXPECT_FLOAT_EQ(running[0], 2.0f);      // fewer entries at the start: (4 + 0) / 2
    EXPECT_FLOAT_EQ(running[1], 4.0f / 3);  // the unsmoothed neighbours, not the new value
    EXPECT_FLOAT_EQ(running[4], 8.0f / 3);
    EXPECT_FLOAT_EQ(running[255], 0.0f);
    Visualizer::Spectrum none = s;
    Visualizer::SmoothSpectrum(1, 0, none);
    EXPECT_EQ(none, s);
}

TEST(VisualizerImage, BarsOverBackground) {
    Rig rig;
    Visualizer::Params p = rig.visualizer.GetParams();
    p.barScheme = 2;   // red bars
    p.backScheme = 7;  // blue background
    p.smoothingWidth = 0;
    rig.visualizer.SetParams(p);
    const int k = 30;
    rig.audio->Push(StereoSine(k * double(kRate) / Visualizer::kFftSize, 0.05, 1024));
    rig.visualizer.Frame();
    float level = rig.visualizer.SmoothedSpectrum()[4 * k];
    Visualizer::Image image;
    rig.visualizer.CopyFrontImage(image);
    const int f = Full(255);
    for (int y = 0; y < 64; ++y) {
        bool lit = (64.0f - y) / 64.0f < level;
        EXPECT_EQ(At(image, 4 * k + 1, y), lit ? Ref(f, 0, 0) : Ref(0, 0, f)) << "row " << y;
    }
    EXPECT_EQ(At(image, 0, 63), Ref(0, 0, f));
    EXPECT_EQ(rig.visualizer.FrontPixel(63, 4 * k), At(image, 4 * k, 63));
}

TEST(VisualizerSilence, FadesAfterQuietFramesAndComesBack) {
    Rig rig;
    Visualizer::Params p = rig.visualizer.GetParams();
    p.backScheme = 1;  // white background shows the fade
    rig.visualizer.SetParams(p);
    const uint32_t white = Ref(Full(255), Full(255), Full(255));
    for (int i = 0; i < 120; ++i) rig.visualizer.Frame();
    EXPECT_EQ(rig.visualizer.FadeFactor(), 0.0f);
    EXPECT_EQ(rig.visualizer.FrontPixel(10, 10), white);
    rig.visualizer.Frame();
    EXPECT_FLOAT_EQ(rig.visualizer.FadeFactor(), 1.0f / 240);
    EXPECT_LT(R(rig.visualizer.FrontPixel(10, 10)), R(white));
    for (int i = 0; i < 239; ++i) rig.visualizer.Frame();
    EXPECT_FLOAT_EQ(rig.visualizer.FadeFactor(), 1.0f);
    EXPECT_EQ(rig.visualizer.FrontPixel(10, 10), 0u);
    for (int i = 0; i < 50; ++i) rig.visualizer.Frame();  // held faded, not ended
    EXPECT_EQ(rig.visualizer.FrontPixel(10, 10), 0u);
    EXPECT_EQ(rig.visualizer.FrameCount(), 410u);

    rig.audio->Push(StereoSine(10 * double(kRate) / Visualizer::kFftSize, 0.1, 1024));
    rig.visualizer.Frame();
    EXPECT_EQ(rig.visualizer.FadeFactor(), 0.0f);
    EXPECT_EQ(rig.visualizer.FrontPixel(10, 250), white);
}

TEST(VisualizerThread, KeepsRunningThroughSilence) {
    Rig rig;
    Visualizer::Params p = rig.visualizer.GetParams();
    p.silenceFrames = 2;
    p.backScheme = 1;
    p.barScheme = 2;
    rig.visualizer.SetParams(p);
    rig.visualizer.SetActive(true);
    rig.visualizer.Start();
    auto waitFor = [&](auto condition) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!condition() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return condition();
    };
    ASSERT_TRUE(waitFor([&] { return rig.visualizer.FadeFactor() >= 1.0f; }));
    uint64_t frames = rig.visualizer.FrameCount();
    ASSERT_TRUE(waitFor([&] { return rig.visualizer.FrameCount() > frames + 3; }));
    // Sound again: bars and background come back.
    std::thread feeder([&] {
        for (int i = 0; i < 40; ++i) {
            rig.audio->Push(StereoSine(10 * double(kRate) / Visualizer::kFftSize, 0.1, 720, i * 720));
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
    });
    bool back = waitFor([&] {
        return rig.visualizer.FadeFactor() == 0.0f && rig.visualizer.FrontPixel(63, 40) == Ref(Full(255), 0, 0);
    });
    feeder.join();
    EXPECT_TRUE(back);
    rig.visualizer.Stop();
}

// The reader must never see two frames mixed: every frame here is one
// background colour that changes from frame to frame.
TEST(VisualizerThread, ReaderNeverSeesAHalfFrame) {
    Rig rig;
    Visualizer::Params p = rig.visualizer.GetParams();
    p.backScheme = 19;  // one colour from the hue angle
    p.hueSpeed = 9100;  // 91 degrees a frame
    p.silenceFrames = 1'000'000;
    rig.visualizer.SetParams(p);
    rig.visualizer.SetActive(true);
    rig.visualizer.Start();
    Visualizer::Image image;
    int torn = 0;
    std::set<uint32_t> seen;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
    while (std::chrono::steady_clock::now() < deadline) {
        rig.visualizer.CopyFrontImage(image);
        seen.insert(image[0]);
        if (std::any_of(image.begin(), image.end(), [&](uint32_t c) { return c != image[0]; })) ++torn;
    }
    rig.visualizer.Stop();
    EXPECT_EQ(torn, 0);
    EXPECT_GE(seen.size(), 3u);
}

TEST(VisualizerDevice, FollowsTheDefaultOutputAndSurvivesItsLoss) {
    Rig rig;
    EXPECT_EQ(rig.audio->Opens(), 1);  // Init opens the default output's monitor
    EXPECT_EQ(rig.audio->format.sample, AudioLoopback::Sample::kF32);
    EXPECT_EQ(rig.audio->format.channels, 2u);
    EXPECT_EQ(rig.audio->format.rate, 48000u);
    ASSERT_EQ(rig.visualizer.DeviceNames().size(), 1u);
    EXPECT_EQ(rig.visualizer.DeviceNames()[0], CString(u"Default Loopback Device"));

    Visualizer::Params p = rig.visualizer.GetParams();
    p.deviceIndex = 5;  // out of range: the default device is used
    rig.visualizer.SetParams(p);
    EXPECT_TRUE(rig.visualizer.OpenDevice());
    EXPECT_EQ(rig.visualizer.GetParams().deviceIndex, 0);

    rig.visualizer.SetMusicLayer(17, 300, 4, 60);
    p = rig.visualizer.GetParams();
    EXPECT_EQ(p.barScheme, 17);
    EXPECT_EQ(p.gain, 300);
    EXPECT_EQ(p.backScheme, 4);
    EXPECT_EQ(p.backBrightness, 60);
    EXPECT_EQ(p.decayPercent, 80);  // the rest stays

    rig.audio->Fail();  // the device disappears
    rig.visualizer.Frame();
    EXPECT_FALSE(rig.audio->open);
    int opens = rig.audio->Opens();
    rig.audio->FireDefaultChanged();
    rig.visualizer.Frame();
    EXPECT_EQ(rig.audio->Opens(), opens + 1);
    rig.audio->Push(StereoSine(10 * double(kRate) / Visualizer::kFftSize, 0.1, 1024));
    rig.visualizer.Frame();
    EXPECT_GT(rig.visualizer.SmoothedSpectrum()[40], 0.0f);
}

TEST(VisualizerDevice, HostileSamplesGiveAFiniteSpectrum) {
    Rig rig;
    std::vector<float> bad = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 0.5f, 0.0f};
    for (int i = 0; i < 10; ++i) rig.audio->Push(bad);
    rig.audio->Push(std::vector<uint8_t>{1, 2, 3});  // not even one sample
    rig.visualizer.Frame();
    for (float v : rig.visualizer.SmoothedSpectrum()) EXPECT_TRUE(std::isfinite(v) && v >= 0.0f && v <= 1.0f);
}

}  // namespace
