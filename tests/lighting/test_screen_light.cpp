// The screen sampler against a painted in-process screen: the colour grid
// and its edge rules, a missing display, one thread at a bounded rate.
#include <gtest/gtest.h>

#include <thread>

#include "lighting/ScreenLight.h"
#include "tests/fakes/FakeScreenCapture.h"

namespace {

// A distinct colour (0x00RRGGBB) for every cell of the 18 x 6 cell image.
uint32_t CellArgb(int cx, int cy) {
    return static_cast<uint32_t>(cx * 13 + 5) << 16 | static_cast<uint32_t>(cy * 40 + 3) << 8 | 0x77;
}
uint32_t ToRef(uint32_t argb) {
    return (argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16;
}

void PaintCells(FakeScreenCapture::State& state) {
    std::lock_guard lock(state.mutex);
    state.paint = [](int x, int y, int w, int h) {
        return CellArgb(x * ScreenLight::kCellColumns / w, y * ScreenLight::kCellRows / h);
    };
}

void PaintSolid(FakeScreenCapture::State& state, uint32_t argb) {
    std::lock_guard lock(state.mutex);
    state.paint = [argb](int, int, int, int) { return argb; };
}

void Unplug(FakeScreenCapture::State& state) {
    std::lock_guard lock(state.mutex);
    state.paint = nullptr;
}

struct Rig {
    std::shared_ptr<FakeScreenCapture::State> screen = std::make_shared<FakeScreenCapture::State>();
    ScreenLight light{std::make_unique<FakeScreenCapture>(screen)};
    int Captures() {
        std::lock_guard lock(screen->mutex);
        return screen->captures;
    }
};

TEST(ScreenLightGrid, SixRowsTwentyOneColumns) {
    Rig rig;
    PaintCells(*rig.screen);
    rig.light.SetLayout(6, 21);
    ASSERT_TRUE(rig.light.Sample());
    auto grid = rig.light.ColourGrid();
    for (int i = 0; i < 21; ++i) {
        for (int j = 0; j < 6; ++j) {
            uint32_t expect = ToRef(CellArgb(std::min(i, 17), i < 18 ? j : 5));
            EXPECT_EQ(grid[static_cast<size_t>(i)][static_cast<size_t>(j)], expect) << i << "," << j;
            EXPECT_EQ(rig.light.Colour(i, j), expect);
        }
    }
    // Outside the layout the grid is untouched.
    EXPECT_EQ(grid[21][0], 0u);
    EXPECT_EQ(grid[0][6], 0u);
}

TEST(ScreenLightGrid, RowsBelowTheCellsTakeTheLastRowRead) {
    Rig rig;
    PaintCells(*rig.screen);
    rig.light.SetLayout(8, 4);
    ASSERT_TRUE(rig.light.Sample());
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rig.light.Colour(i, 6), ToRef(CellArgb(i, 5)));
        EXPECT_EQ(rig.light.Colour(i, 7), ToRef(CellArgb(i, 5)));
    }
}

TEST(ScreenLightGrid, AllRedScreen) {
    Rig rig;
    PaintSolid(*rig.screen, 0xFF0000);
    rig.light.SetLayout(6, 21);
    ASSERT_TRUE(rig.light.Sample());
    for (int i = 0; i < 21; ++i)
        for (int j = 0; j < 6; ++j)
            EXPECT_EQ(rig.light.Colour(i, j), 0x0000FFu) << i << "," << j;  // red in the low byte
}

TEST(ScreenLightGrid, WideLayoutStaysInsideTheGrid) {
    Rig rig;
    PaintCells(*rig.screen);
    rig.light.SetLayout(12, 40);  // more than the grid holds
    ASSERT_TRUE(rig.light.Sample());
    EXPECT_EQ(rig.light.Colour(35, 0), rig.light.Colour(29, 0));
    EXPECT_EQ(rig.light.Colour(29, 0), ToRef(CellArgb(17, 5)));
    EXPECT_EQ(rig.light.Colour(3, 11), rig.light.Colour(3, 7));
    EXPECT_EQ(rig.light.Colour(-1, -1), rig.light.Colour(0, 0));
}

TEST(ScreenLightGrid, NoDisplayKeepsTheLastColours) {
    Rig rig;
    rig.light.SetLayout(6, 21);
    EXPECT_FALSE(rig.light.Sample());
    EXPECT_FALSE(rig.light.CanSample());
    PaintSolid(*rig.screen, 0x00FF00);
    ASSERT_TRUE(rig.light.Sample());
    EXPECT_TRUE(rig.light.CanSample());
    Unplug(*rig.screen);
    EXPECT_FALSE(rig.light.Sample());
    EXPECT_FALSE(rig.light.CanSample());
    EXPECT_EQ(rig.light.Colour(20, 5), 0x00FF00u);
}

TEST(ScreenLightThread, OneThreadAtMostThirtySamplesASecond) {
    Rig rig;
    PaintSolid(*rig.screen, 0x0000FF);
    rig.light.Start(0, 21);  // no rows: nothing starts
    EXPECT_FALSE(rig.light.IsRunning());
    for (int reload = 0; reload < 3; ++reload) rig.light.Start(6, 21);
    EXPECT_TRUE(rig.light.IsRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(rig.Captures(), 0);  // not active: no sampling

    rig.light.SetActive(true);
    // A reader on another thread while the sampler writes.
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) (void)rig.light.ColourGrid();
    });
    auto start = std::chrono::steady_clock::now();
    while (rig.light.SampleCount() == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rig.light.SetActive(false);
    done = true;
    reader.join();
    int captures = rig.Captures();
    EXPECT_GE(captures, 1);
    // One thread paced at 33 ms; three unpaced threads would do far more.
    EXPECT_LE(captures, static_cast<int>(elapsed * 1000 / 33) + 2);
    EXPECT_EQ(rig.light.Colour(3, 3), 0xFF0000u);

    // Inactive again: sampling stops at once, the thread stays.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    int stopped = rig.Captures();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(rig.Captures(), stopped);
    EXPECT_TRUE(rig.light.IsRunning());
    rig.light.Stop();
    EXPECT_FALSE(rig.light.IsRunning());
}

}  // namespace
