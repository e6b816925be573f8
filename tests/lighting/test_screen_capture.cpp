// The screen sampler on a real X server: a private Xvfb whose root window is
// painted one colour.
#include <gtest/gtest.h>

#include <thread>

#include "lighting/ScreenLight.h"
#include "tests/lighting/LightingFixtures.h"

namespace {

using namespace std::chrono_literals;

class ScreenCaptureTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_xvfb.Start(1280, 800)) << "could not start a private Xvfb"; }
    lightingtest::XvfbServer m_xvfb;
};

TEST_F(ScreenCaptureTest, GridShowsTheScreenColour) {
    ScreenLight light(CreateScreenCapture(m_xvfb.Display()));
    light.SetLayout(6, 21);
    struct Case {
        const char* colour;
        uint32_t ref;  // red in the low byte
    };
    for (const Case& c : {Case{"#ff0000", 0x0000FF}, Case{"#00ff00", 0x00FF00}, Case{"#204080", 0x804020}}) {
        ASSERT_TRUE(m_xvfb.SetRootColour(c.colour));
        ASSERT_TRUE(light.Sample()) << c.colour;
        EXPECT_TRUE(light.CanSample());
        for (int i = 0; i < 21; ++i)
            for (int j = 0; j < 6; ++j) EXPECT_EQ(light.Colour(i, j), c.ref) << c.colour << " at " << i << "," << j;
    }
}

TEST_F(ScreenCaptureTest, SamplerThreadFollowsTheScreen) {
    ScreenLight light(CreateScreenCapture(m_xvfb.Display()));
    ASSERT_TRUE(m_xvfb.SetRootColour("#0000ff"));
    light.Start(6, 21);
    light.SetActive(true);
    EXPECT_TRUE([&] {
        for (auto end = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < end;
             std::this_thread::sleep_for(5ms))
            if (light.Colour(20, 5) == 0xFF0000u) return true;
        return false;
    }());
    light.Stop();
}

TEST(ScreenCaptureNoDisplay, ReportsThatItCannotSample) {
    // A display that does not exist: no server answers.
    ScreenLight light(CreateScreenCapture(":4077"));
    light.SetLayout(6, 21);
    EXPECT_FALSE(light.Sample());
    EXPECT_FALSE(light.CanSample());
    EXPECT_EQ(light.Colour(0, 0), 0u);
}

}  // namespace
