// Windows and dialogs: modal loops and their close codes, quitting during a
// modal loop, popups closing on deactivation, centring, shadow parameters.
#include <gtest/gtest.h>

#include "tests/ui/UiTestSupport.h"
#include "ui/core/Manager.h"
#include "ui/window/MPopupWnd.h"
#include "ui/window/MShadow.h"

using namespace uitest;

namespace {

class Popup : public MPopupWnd {
public:
    bool Open(HWND owner) { return Create(owner, u"popup", 0, 0, CRect(10, 10, 110, 60)) != nullptr; }
};

}  // namespace

TEST(WindowTest, ShowModalReturnsTheCloseCode) {
    UseHeadless();
    struct Case {
        void (MDialog::*close)();
        int code;
    } cases[] = {{&MDialog::DoOK, 1},
                 {&MDialog::DoCancel, 2},
                 {&MDialog::DoClose, 2},
                 {&MDialog::DoYes, 6},
                 {&MDialog::DoNo, 7}};
    for (const auto& c : cases) {
        TestDialog dialog;
        ASSERT_TRUE(dialog.Open());
        (dialog.*c.close)();
        EXPECT_EQ(dialog.ShowModal(), c.code);
        EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
    }
    // Closed by other means (the window manager's close): 0.
    TestDialog dialog;
    ASSERT_TRUE(dialog.Open());
    Platform::InjectClose(dialog.GetSafeHwnd());
    EXPECT_EQ(dialog.ShowModal(), 0);
    // Without a window: -1, and the wrappers do nothing.
    TestDialog none;
    EXPECT_EQ(none.ShowModal(), -1);
    EXPECT_EQ(none.GetWindowTextLengthW(), -1);
    EXPECT_EQ(none.PostMessageW(WM_USER), 0);
}

TEST(WindowTest, QuitDuringAModalLoopEndsItAndIsPostedAgain) {
    UseHeadless();
    TestDialog dialog;
    ASSERT_TRUE(dialog.Open());
    Platform::PostQuitMessage(5);
    EXPECT_EQ(dialog.ShowModal(), 0);
    EXPECT_NE(dialog.GetSafeHwnd(), nullptr);  // the window stays
    MSG msg;
    bool sawQuit = false;
    for (int i = 0; i < 100 && !sawQuit; ++i)
        if (Platform::PeekMessage(msg) && msg.message == WM_QUIT) sawQuit = true;
    ASSERT_TRUE(sawQuit);
    EXPECT_EQ(msg.wParam, 5u);
}

TEST(WindowTest, ModalLoopDisablesTheOwnerUntilItEnds) {
    UseHeadless();
    TestDialog owner;
    ASSERT_TRUE(owner.Open());
    owner.ShowWindow(SW_SHOW);
    struct Child : public TestDialog {
        HWND ownerHwnd = nullptr;
        int ownerEnabledInLoop = -1;
        LRESULT OnWindowMessage(unsigned msg, WPARAM w, LPARAM l) override {
            if (msg == WM_USER) ownerEnabledInLoop = Platform::IsWindowEnabled(ownerHwnd);
            return TestDialog::OnWindowMessage(msg, w, l);
        }
    } child;
    child.ownerHwnd = owner.GetSafeHwnd();
    ASSERT_TRUE(child.Create(owner.GetSafeHwnd(), u"child", 0, 0, CRect(0, 0, 100, 100)));
    child.PostMessageW(WM_USER);
    child.DoYes();
    EXPECT_EQ(child.ShowModal(), 6);
    EXPECT_EQ(child.ownerEnabledInLoop, 0);
    EXPECT_TRUE(owner.IsWindowEnabled());
}

TEST(WindowTest, PopupClosesWhenAnotherWindowIsActivated) {
    UseHeadless();
    TestDialog owner;
    ASSERT_TRUE(owner.Open());
    owner.ShowWindow(SW_SHOW);
    Pump();
    Popup popup;
    ASSERT_TRUE(popup.Open(owner.GetSafeHwnd()));
    popup.ShowWindow(SW_SHOW);
    Pump();
    EXPECT_NE(popup.GetSafeHwnd(), nullptr);
    Platform::InjectActivate(owner.GetSafeHwnd(), true);
    Pump(5);
    EXPECT_EQ(popup.GetSafeHwnd(), nullptr);
    EXPECT_NE(owner.GetSafeHwnd(), nullptr);
}

TEST(WindowTest, CenterWindowKeepsTheSizeAndCentresOnTheOwner) {
    UseHeadless();
    TestDialog owner;
    ASSERT_TRUE(owner.Open(CRect(100, 100, 500, 400)));
    owner.ShowWindow(SW_SHOW);
    TestDialog child;
    ASSERT_TRUE(child.Create(owner.GetSafeHwnd(), u"child", 0, 0, CRect(0, 0, 100, 50)));
    child.CenterWindow();
    CRect rc;
    child.GetWindowRect(rc);
    EXPECT_EQ(rc.Size(), CSize(100, 50));
    EXPECT_EQ(rc.CenterPoint(), CRect(100, 100, 500, 400).CenterPoint());
}

TEST(WindowTest, ShadowSettersCheckTheirRanges) {
    MShadow shadow;
    struct Case {
        int (*set)(MShadow&, int);
        int value;
        int ok;
    } cases[] = {
        {[](MShadow& s, int v) { return s.SetSize(v); }, -35, 1},
        {[](MShadow& s, int v) { return s.SetSize(v); }, 36, 0},
        {[](MShadow& s, int v) { return s.SetSize(v); }, -36, 0},
        {[](MShadow& s, int v) { return s.SetSharpness(static_cast<unsigned>(v)); }, 35, 1},
        {[](MShadow& s, int v) { return s.SetSharpness(static_cast<unsigned>(v)); }, 36, 0},
        {[](MShadow& s, int v) { return s.SetDarkness(static_cast<unsigned>(v)); }, 255, 1},
        {[](MShadow& s, int v) { return s.SetDarkness(static_cast<unsigned>(v)); }, 256, 0},
        {[](MShadow& s, int v) { return s.SetPosition(v, 0); }, 36, 0},
        {[](MShadow& s, int v) { return s.SetPosition(0, v); }, -35, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.set(shadow, c.value), c.ok) << c.value;
    EXPECT_EQ(shadow.GetDarkness(), 255u);  // the refused 256 changed nothing
    EXPECT_EQ(shadow.GetPosition(), CPoint(0, -35));
    EXPECT_EQ(shadow.SetShadowCorner(CRect(1, -1, 1, 1)), 0);
    // Size 0 and no image: nothing to draw.
    shadow.SetSize(0);
    EXPECT_FALSE(shadow.HasShadow());
    MShadow copy;
    shadow.SetColor(RGB(1, 2, 3));
    shadow.CopyShadow(&copy);
    EXPECT_EQ(copy.GetColor(), RGB(1, 2, 3));
    EXPECT_EQ(copy.GetDarkness(), 255u);
    EXPECT_EQ(MShadow::PreMultiply(RGB(255, 128, 0), 128), 0x80804000u);
}

TEST(WindowTest, MessageLoopDropsEverythingWhileAltF4AreHeld) {
    UseHeadless();
    TestDialog dialog;
    ASSERT_TRUE(dialog.Open());
    Platform::InjectKey(dialog.GetSafeHwnd(), VK_MENU, true);
    Platform::InjectKey(dialog.GetSafeHwnd(), VK_F4, true);
    Pump();
    MSG msg{dialog.GetSafeHwnd(), WM_CLOSE, 0, 0};
    EXPECT_EQ(Manager::PreTranslateMessage(&msg), 1);
    Platform::InjectKey(dialog.GetSafeHwnd(), VK_F4, false);
    Platform::InjectKey(dialog.GetSafeHwnd(), VK_MENU, false);
    Pump();
    EXPECT_EQ(Manager::PreTranslateMessage(&msg), 0);
    // The loop itself ends on quit with its code.
    Platform::PostQuitMessage(3);
    EXPECT_EQ(Manager::MessageLoop(), 3);
}
