// The paint manager on a headless window: painting and the caches, hover
// and capture, the wheel, Tab focus, window dragging, the overlay timing on
// a clock the test drives, the image cache and the tooltip.
#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/backend/MImage.h"
#include "ui/core/PaintManager.h"

using namespace uitest;

namespace {

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadless();
        ASSERT_TRUE(dialog.Open(CRect(100, 100, 500, 400)));
        dialog.EnableWndDrag(1);
        dialog.ShowWindow(SW_SHOW);
        Pump();
    }
    void TearDown() override { Platform::UseManualClock(false); }
    HWND Hwnd() { return dialog.GetSafeHwnd(); }
    void Click(CPoint pt, int clicks = 1) {
        Platform::InjectMouseMove(Hwnd(), pt);
        Platform::InjectMouseButton(Hwnd(), pt, 1, true, clicks);
        Platform::InjectMouseButton(Hwnd(), pt, 1, false, clicks);
        Pump();
    }
    void Paint() {
        Pump();
        dialog.UpdateWindow();
    }
    PaintManager& Pm() { return dialog.GetPaintManager(); }
    TestDialog dialog;
};

constexpr uint32_t kBack = 0xFF090D13;  // RGB(9, 13, 19) at alpha 254, as read back

bool Near(uint32_t a, uint32_t b, int tolerance = 3) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
    }
    return true;
}

}  // namespace

TEST_F(PaintTest, PaintsBackgroundFrameAndControlsAndUsesTheCache) {
    auto* a = dialog.Add<RecordingControl>(1u, CRect(10, 10, 60, 60), 0xFFFF0000);
    auto* b = dialog.Add<RecordingControl>(2u, CRect(40, 40, 90, 90), 0xFF00FF00);  // over a
    dialog.InvalidateRect(nullptr);
    Paint();
    EXPECT_TRUE(Near(Platform::GetPixel(Hwnd(), 0, 0), 0xFF285055));  // frame colour
    EXPECT_TRUE(Near(Platform::GetPixel(Hwnd(), 200, 200), kBack));
    EXPECT_TRUE(Near(Platform::GetPixel(Hwnd(), 20, 20), 0xFFFF0000));
    EXPECT_TRUE(Near(Platform::GetPixel(Hwnd(), 50, 50), 0xFF00FF00));
    EXPECT_EQ(a->cacheBuilds, 1);
    EXPECT_EQ(b->cacheBuilds, 1);

    // Repainting a invalidates b's cache (b lies above it) but not a's twice.
    a->color = 0xFF0000FF;
    a->UpdateControl(1, 0);
    Paint();
    EXPECT_EQ(a->cacheBuilds, 2);
    EXPECT_EQ(b->cacheBuilds, 2);
    EXPECT_TRUE(Near(Platform::GetPixel(Hwnd(), 20, 20), 0xFF0000FF));
    EXPECT_TRUE(Near(Platform::GetPixel(Hwnd(), 50, 50), 0xFF00FF00));
    // Repainting b leaves a's cache alone.
    b->UpdateControl(1, 0);
    Paint();
    EXPECT_EQ(a->cacheBuilds, 2);
    EXPECT_EQ(b->cacheBuilds, 3);
}

TEST_F(PaintTest, PressOnAControlNotifiesAndCapturesMovesOutside) {
    auto* c = dialog.Add<RecordingControl>(7u, CRect(10, 10, 60, 60));
    Platform::InjectMouseMove(Hwnd(), {20, 20});
    Platform::InjectMouseButton(Hwnd(), {20, 20}, 1, true);
    Pump();
    EXPECT_EQ(Pm().GetHoverControl(), c);
    EXPECT_EQ(Pm().GetFocusControl(), c);
    Platform::InjectMouseMove(Hwnd(), {200, 200});
    Pump();
    EXPECT_EQ(c->lastMove, CPoint(200, 200));
    Platform::InjectMouseButton(Hwnd(), {200, 200}, 1, false);
    Pump();
    EXPECT_EQ(c->ups, 1);
    ASSERT_GE(dialog.notes.size(), 1u);
    EXPECT_EQ(dialog.notes[0].id, 7u);
    EXPECT_EQ(dialog.notes[0].msg, static_cast<unsigned>(CN_PRESSED));
    // Released outside: no click, and the control is no longer hovered.
    for (const auto& n : dialog.notes) EXPECT_NE(n.msg, static_cast<unsigned>(CN_CLICKED));
    EXPECT_EQ(Pm().GetHoverControl(), nullptr);
    Click({20, 20});
    EXPECT_EQ(dialog.notes.back().msg, static_cast<unsigned>(CN_CLICKED));
}

TEST_F(PaintTest, DoubleClickOnAPlainControlIsASecondPress) {
    auto* c = dialog.Add<RecordingControl>(7u, CRect(10, 10, 60, 60));
    Click({20, 20}, 1);
    Click({20, 20}, 2);
    EXPECT_EQ(c->downs, 2);
    EXPECT_EQ(c->dblClicks, 0);
}

TEST_F(PaintTest, WheelStepsAndDirection) {
    auto* c = dialog.Add<RecordingControl>(7u, CRect(0, 0, 400, 300));
    Platform::InjectMouseMove(Hwnd(), {20, 20});
    Pump();
    struct Case {
        int delta;
        std::vector<unsigned> dirs;
    } cases[] = {{60, {}}, {-119, {}}, {120, {0}}, {-240, {1, 1}}, {360, {0, 0, 0}}};
    for (const auto& k : cases) {
        c->scrolls.clear();
        Platform::InjectWheel(Hwnd(), {20, 20}, k.delta);
        Pump();
        EXPECT_EQ(c->scrolls, k.dirs) << k.delta;
    }
}

TEST_F(PaintTest, ClickOnAnEmptySpotDragsTheWindowUnlessDisabled) {
    const CRect before = Platform::GetWindowRect(Hwnd());
    Platform::InjectMouseMove(Hwnd(), {200, 200});
    Platform::InjectMouseButton(Hwnd(), {200, 200}, 1, true);
    Platform::InjectMouseMove(Hwnd(), {230, 240});
    Platform::InjectMouseButton(Hwnd(), {230, 240}, 1, false);
    Pump();
    const CRect after = Platform::GetWindowRect(Hwnd());
    EXPECT_EQ(after.left - before.left, 30);
    EXPECT_EQ(after.top - before.top, 40);

    dialog.EnableWndDrag(0);
    Platform::InjectMouseButton(Hwnd(), {200, 200}, 1, true);
    Platform::InjectMouseMove(Hwnd(), {250, 250});
    Platform::InjectMouseButton(Hwnd(), {250, 250}, 1, false);
    Pump();
    EXPECT_EQ(Platform::GetWindowRect(Hwnd()), after);
}

TEST_F(PaintTest, TabMovesFocusOnlyWithoutCtrlOrAlt) {
    auto* a = dialog.Add<RecordingControl>(1u, CRect(0, 0, 10, 10));
    auto* b = dialog.Add<RecordingControl>(2u, CRect(20, 0, 30, 10));
    auto* hidden = dialog.Add<RecordingControl>(3u, CRect(40, 0, 50, 10));
    for (auto* c : {a, b, hidden}) c->SetTabStop(1);
    hidden->SetVisible(0);
    Pm().SetFocusControl(a);
    auto tab = [&] {
        MSG msg{Hwnd(), WM_KEYDOWN, VK_TAB, 0};
        return dialog.PreTranslateMessage(&msg);
    };
    EXPECT_EQ(tab(), 1);
    EXPECT_EQ(Pm().GetFocusControl(), b);
    EXPECT_EQ(tab(), 1);  // wraps, skipping the hidden one
    EXPECT_EQ(Pm().GetFocusControl(), a);
    for (unsigned modifier : {static_cast<unsigned>(VK_CONTROL), static_cast<unsigned>(VK_MENU)}) {
        Platform::InjectKey(Hwnd(), modifier, true);
        Pump();
        EXPECT_EQ(tab(), 0);
        EXPECT_EQ(Pm().GetFocusControl(), a);
        Platform::InjectKey(Hwnd(), modifier, false);
        Pump();
    }
    Platform::InjectKey(Hwnd(), VK_SHIFT, true);
    Pump();
    EXPECT_EQ(tab(), 1);
    EXPECT_EQ(Pm().GetFocusControl(), b);
    Platform::InjectKey(Hwnd(), VK_SHIFT, false);
    Pump();
}

TEST_F(PaintTest, KeysReachTheHoverControlWithModifierFlags) {
    auto* c = dialog.Add<RecordingControl>(1u, CRect(0, 0, 100, 100));
    Platform::InjectMouseMove(Hwnd(), {10, 10});
    Platform::InjectKey(Hwnd(), VK_CONTROL, true);
    Platform::InjectKey(Hwnd(), 'A', true);
    Platform::InjectKey(Hwnd(), 'A', false);
    Platform::InjectKey(Hwnd(), VK_CONTROL, false);
    Pump();
    ASSERT_FALSE(c->keys.empty());
    EXPECT_EQ(c->keys.back(), static_cast<unsigned>('A'));
    EXPECT_EQ(c->lastKeyFlags, static_cast<unsigned>(MF_CTRL));
    EXPECT_EQ(dialog.notes.back().msg, static_cast<unsigned>(CN_KEYDOWN));
    EXPECT_EQ(ComputeModifierFlags(true, false, false), 16u);
    EXPECT_EQ(ComputeModifierFlags(true, true, false), 17u);
    EXPECT_EQ(ComputeModifierFlags(true, false, true), 18u);
    EXPECT_EQ(ComputeModifierFlags(true, true, true), 19u);
}

TEST_F(PaintTest, MessageHoldsThreeSecondsThenFadesInStepsOfTen) {
    Platform::UseManualClock(true);
    dialog.SetMessage(u"Saved");
    const CRect rc = Pm().GetOverlayRect();
    EXPECT_EQ(rc, CRect(100, 240, 300, 298));  // 200 x 58, centred, 2 above the bottom
    EXPECT_EQ(Pm().GetOverlayAlpha(), 255);
    Platform::AdvanceClock(2999);
    Pump();
    EXPECT_EQ(Pm().GetOverlayAlpha(), 255);
    Platform::AdvanceClock(1);
    Pump();  // the hold ends; the fade starts
    EXPECT_EQ(Pm().GetOverlayAlpha(), 255);
    int steps = 0;
    int last = 255;
    while (Pm().GetOverlayAlpha() > 0 && steps < 100) {
        Platform::AdvanceClock(50);
        Pump();
        ++steps;
        if (Pm().GetOverlayAlpha() > 0) {
            EXPECT_EQ(Pm().GetOverlayAlpha(), last - 10);
        }
        last = Pm().GetOverlayAlpha();
    }
    // 255 -> 15 in 24 steps, which is below 20: hidden.
    EXPECT_EQ(steps, 24);
}

TEST_F(PaintTest, ProgressJumpsShowAtOnceOrRunUpInStepsOfTwo) {
    Platform::UseManualClock(true);
    dialog.SetProgress(4, u"Downloading");
    EXPECT_EQ(Pm().GetDisplayedProgress(), 4);
    EXPECT_EQ(Pm().GetOverlayRect(), CRect(0, 240, 400, 298));
    dialog.SetProgress(4, u"again");  // the same percentage changes nothing
    EXPECT_EQ(Pm().GetOverlayText(), CString(u"Downloading"));
    dialog.SetProgress(20, u"Downloading");
    EXPECT_EQ(Pm().GetDisplayedProgress(), 4);
    for (int expected = 6; expected <= 20; expected += 2) {
        Platform::AdvanceClock(10);
        Pump();
        EXPECT_EQ(Pm().GetDisplayedProgress(), expected);
    }
    Platform::AdvanceClock(10);
    Pump();
    EXPECT_EQ(Pm().GetDisplayedProgress(), 20);
    // Reaching 100 starts the fade.
    dialog.SetProgress(100, u"Done");
    for (int i = 0; i < 40; ++i) {
        Platform::AdvanceClock(10);
        Pump();
    }
    EXPECT_EQ(Pm().GetDisplayedProgress(), 100);
    Platform::AdvanceClock(50);
    Pump();
    EXPECT_LT(Pm().GetOverlayAlpha(), 255);
}

TEST_F(PaintTest, ImageCacheKeepsTheFirstEntryAndSkipsMissingFiles) {
    const std::string root = testenv::MakeTempDir("skinroot");
    const std::string folder = root + "/skins/theme1";
    testenv::RunProcess({"mkdir", "-p", folder});
    {
        MCanvas strip(40, 10);
        strip.ClearRect(strip.Bounds(), 0xFF336699);
        ASSERT_TRUE(strip.SavePng(folder + "/btn.png"));
    }
    testenv::WriteFile(folder + "/broken.png", "\x89PNG\r\n\x1a\nnot really");
    const char* old = std::getenv("TASTRA_DATA_ROOT");
    const std::string saved = old ? old : "";
    setenv("TASTRA_DATA_ROOT", root.c_str(), 1);
    ImgResInfo* first = Pm().AddImgResInfo(u"btn.png", 4);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->frameWidth, 10);
    EXPECT_EQ(first->frameHeight, 10);
    ImgResInfo* second = Pm().AddImgResInfo(u"btn.png", 2);
    EXPECT_EQ(second, first);
    EXPECT_EQ(second->count, 4);
    EXPECT_EQ(Pm().AddImgResInfo(u"missing.png", 4), nullptr);
    EXPECT_EQ(Pm().AddImgResInfo(u"broken.png", 4), nullptr);
    EXPECT_EQ(Pm().AddImgResInfo(u"../../../etc/passwd", 4), nullptr);
    EXPECT_EQ(Pm().LoadBKImage(CString(u"missing.png")), 0);
    if (old)
        setenv("TASTRA_DATA_ROOT", saved.c_str(), 1);
    else
        unsetenv("TASTRA_DATA_ROOT");
}

TEST_F(PaintTest, TooltipShowsOnHoverAndClearsWhenThePointerLeaves) {
    auto* c = dialog.Add<RecordingControl>(9u, CRect(10, 10, 60, 60));
    c->SetTooltip(u"Profile 1");
    Platform::InjectMouseMove(Hwnd(), {20, 20});
    Pump();
    EXPECT_TRUE(Pm().IsTooltipActive());
    EXPECT_EQ(Pm().GetTooltipText(), CString(u"Profile 1"));
    EXPECT_EQ(Pm().GetTooltipCtrlID(), 9u);
    Platform::InjectMouseMove(Hwnd(), {200, 200});
    Pump();
    EXPECT_FALSE(Pm().IsTooltipActive());
}

TEST_F(PaintTest, PaintsAreCoalescedToOnePerInterval) {
    Platform::UseManualClock(true);
    auto* c = dialog.Add<RecordingControl>(1u, CRect(10, 10, 20, 20));
    dialog.InvalidateRect(nullptr);
    Pump();
    const int first = c->draws;
    for (int i = 0; i < 5; ++i) {
        c->UpdateControl(1, 0);
        Pump();
    }
    EXPECT_LE(c->draws, first + 1);
    Platform::AdvanceClock(Platform::kMinPaintIntervalMs);
    Pump();
    EXPECT_GT(c->draws, first);
}

TEST_F(PaintTest, ControlTimersRestartStoppedRecordsAndTickTheirControl) {
    Platform::UseManualClock(true);
    auto* c = dialog.Add<RecordingControl>(1u, CRect(0, 0, 10, 10));
    auto* d = dialog.Add<RecordingControl>(2u, CRect(0, 0, 10, 10));
    EXPECT_EQ(Pm().SetTimer(c, 7, 20), 1);
    EXPECT_EQ(Pm().SetTimer(c, 7, 20), 0);  // already running
    EXPECT_EQ(Pm().SetTimer(d, 7, 30), 1);
    Platform::AdvanceClock(20);
    Pump();
    EXPECT_EQ(c->ticks, 1);
    EXPECT_EQ(d->ticks, 0);
    EXPECT_EQ(Pm().KillTimer(c, 7), 1);
    EXPECT_EQ(Pm().KillTimer(c, 7), 0);  // stopped already
    Platform::AdvanceClock(40);
    Pump();
    EXPECT_EQ(c->ticks, 1);
    EXPECT_EQ(d->ticks, 1);
    EXPECT_EQ(Pm().SetTimer(c, 7, 5), 1);  // the stopped record restarts
    Platform::AdvanceClock(5);
    Pump();
    EXPECT_EQ(c->ticks, 2);
    // Removing a control stops its timers.
    Pm().RemoveControl(d);
    Platform::AdvanceClock(100);
    Pump();
}

TEST_F(PaintTest, BalloonTipIsHiddenOnlyByItsOwnTag) {
    struct FakeBalloon : public IAirBladder {
        explicit FakeBalloon(int* shown) : shown(shown) {}
        void SetAirBladderMsg(const CString&, CPoint, AIRBLADDER_TYPE, AIRBLADDER_MODE) override {}
        void ShowAirBladder(int show) override { *shown = show; }
        int* shown;
    };
    static int shown = -1;
    EXPECT_EQ(Pm().ShowAirBladder(1, 0), 0);  // no balloon yet
    PaintManager::SetAirBladderFactory(
        [](PaintManager*) { return std::unique_ptr<IAirBladder>(new FakeBalloon(&shown)); });
    EXPECT_EQ(dialog.SetAirBladderMsg(u"tip", CPoint(0, 10), AIRBLADDER_LEFT), 0);  // x of 0: nothing
    EXPECT_EQ(dialog.SetAirBladderMsg(u"tip", CPoint(10, 10), AIRBLADDER_LEFT), 1);
    EXPECT_EQ(Pm().ShowAirBladder(1, 5), 1);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(Pm().ShowAirBladder(0, 6), 0);  // another owner's tag
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(Pm().ShowAirBladder(0, 5), 1);
    EXPECT_EQ(shown, 0);
    PaintManager::SetAirBladderFactory(nullptr);
}

TEST_F(PaintTest, ADroppedImageFileReachesTheWindow) {
    struct Receiver : public TestDialog {
        LRESULT OnWindowMessage(unsigned msg, WPARAM w, LPARAM l) override {
            if (msg == STM_SETIMAGE) {
                auto* image = reinterpret_cast<MImage*>(l);
                width = image ? image->GetWidth() : -1;
                delete image;  // taken; nothing handed back
                return 0;
            }
            return TestDialog::OnWindowMessage(msg, w, l);
        }
        int width = 0;
    } receiver;
    ASSERT_TRUE(receiver.Open());
    const std::string path = testenv::MakeTempDir("drop") + "/d.png";
    MCanvas(7, 3).SavePng(path);
    Platform::InjectFileDrop(receiver.GetSafeHwnd(), Utf8ToUtf16(path));
    Pump();
    EXPECT_EQ(receiver.width, 0);  // drops are off until asked for
    receiver.GetPaintManager().InitDragDrop();
    Platform::InjectFileDrop(receiver.GetSafeHwnd(), Utf8ToUtf16(path));
    Platform::InjectFileDrop(receiver.GetSafeHwnd(), u"/no/such/file.png");
    Pump();
    EXPECT_EQ(receiver.width, 7);
}

TEST_F(PaintTest, CaretBlinksOnlyForTheFocusedOwnerInAFocusedWindow) {
    Platform::UseManualClock(true);
    auto* edit = dialog.Add<RecordingControl>(1u, CRect(10, 10, 100, 30), 0xFF808080);
    Pm().CreateCaret(2, 16);
    Pm().SetCaretPos(edit, 20, 12);
    EXPECT_EQ(Pm().GetCurrentCaretObject(), edit);
    Pm().SetFocusControl(edit);
    Pm().ShowCaret(1);
    Paint();
    // A control without a text colour gets a black caret.
    EXPECT_TRUE(Near(Platform::GetPixel(Hwnd(), 20, 15), 0xFF000000, 8));
    Platform::AdvanceClock(600);  // one blink: the phase turns off
    Paint();
    EXPECT_TRUE(Near(Platform::GetPixel(Hwnd(), 20, 15), 0xFF808080, 8));
    // Without focus the caret is hidden and stays so.
    Pm().SetFocusControl(nullptr);
    Platform::AdvanceClock(600);
    Paint();
    Platform::AdvanceClock(600);
    Paint();
    EXPECT_TRUE(Near(Platform::GetPixel(Hwnd(), 20, 15), 0xFF808080, 8));
    // Removing the owner forgets it.
    Pm().RemoveControl(edit);
    EXPECT_EQ(Pm().GetCurrentCaretObject(), nullptr);
}

TEST_F(PaintTest, ARepaintRequestedWhilePaintingIsNotLost) {
    Platform::UseManualClock(true);
    struct Restless : public RecordingControl {
        using RecordingControl::RecordingControl;
        void DrawControl(HDC& hdc, CRect clip) override {
            RecordingControl::DrawControl(hdc, clip);
            if (again-- > 0) UpdateControl(1, 0);  // as an animation frame does
        }
        int again = 1;
    };
    auto* c = dialog.Add<Restless>(1u, CRect(10, 10, 20, 20));
    dialog.InvalidateRect(nullptr);
    Paint();
    const int draws = c->draws;
    CRect pending;
    EXPECT_TRUE(Platform::GetUpdateRect(Hwnd(), pending));
    Platform::AdvanceClock(Platform::kMinPaintIntervalMs);
    Pump();
    EXPECT_EQ(c->draws, draws + 1);
}
