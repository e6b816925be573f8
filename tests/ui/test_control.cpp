// The control model: visibility and repaint requests, mouse routing inside
// controls and panels, cursors, the factory names and layout helpers.
#include <gtest/gtest.h>

#include "tests/ui/UiTestSupport.h"
#include "ui/control/CArea.h"
#include "ui/control/MPanel.h"
#include "ui/control/MScroll.h"
#include "ui/core/PaintManager.h"

using namespace uitest;

namespace {

// An owner that only records repaint requests.
class UpdateRecorder : public MObject {
public:
    int OnControlUpdate(CRect rc, int bUpdate, MControl*) override {
        requests.push_back({rc, bUpdate});
        return 1;
    }
    struct Request {
        CRect rc;
        int bUpdate;
    };
    std::vector<Request> requests;
};

}  // namespace

TEST(ControlTest, VisibilityChangesRequestRepaintsOnlyWhenTheyChangeSomething) {
    UpdateRecorder owner;
    RecordingControl c(&owner, 10, CRect(5, 5, 25, 25));
    c.SetVisible(1);  // already visible
    EXPECT_TRUE(owner.requests.empty());
    c.SetVisible(0);  // hiding repaints the old rect
    ASSERT_EQ(owner.requests.size(), 1u);
    EXPECT_EQ(owner.requests[0].rc, CRect(5, 5, 25, 25));
    c.SetVisible(0);
    EXPECT_EQ(owner.requests.size(), 1u);
    c.SetVisible(1, 0);  // without notification
    EXPECT_EQ(owner.requests.size(), 1u);
    // Moving a visible control repaints the union of both rects.
    c.SetRect(CRect(30, 5, 50, 25));
    ASSERT_EQ(owner.requests.size(), 2u);
    EXPECT_EQ(owner.requests[1].rc, CRect(5, 5, 50, 25));
    // A hidden control asks for nothing unless forced.
    c.SetVisible(0, 0);
    c.UpdateControl(1, 0);
    EXPECT_EQ(owner.requests.size(), 2u);
    c.UpdateControl(1, 1);
    EXPECT_EQ(owner.requests.size(), 3u);
}

TEST(ControlTest, DoubleClickReachesAPlainControlAsASecondPress) {
    UpdateRecorder owner;
    RecordingControl parent(&owner, 1, CRect(0, 0, 100, 100));
    auto* plain = new RecordingControl(&parent, 2, CRect(10, 10, 40, 40));
    auto* accepting = new RecordingControl(&parent, 3, CRect(50, 10, 90, 40));
    accepting->SetDoubleClicks(1);
    parent.AddControl(plain);
    parent.AddControl(accepting);

    parent.OnLButtonDown(0, {20, 20});
    parent.OnLButtonUp(0, {20, 20});
    parent.OnLButtonDblClk(0, {20, 20});
    EXPECT_EQ(plain->downs, 2);
    EXPECT_EQ(plain->dblClicks, 0);

    parent.OnLButtonDown(0, {60, 20});
    parent.OnLButtonUp(0, {60, 20});
    parent.OnLButtonDblClk(0, {60, 20});
    EXPECT_EQ(accepting->downs, 1);
    EXPECT_EQ(accepting->dblClicks, 1);
}

TEST(ControlTest, MovesGoToThePressedChildEvenOutsideIt) {
    UpdateRecorder owner;
    RecordingControl parent(&owner, 1, CRect(0, 0, 200, 100));
    auto* child = new RecordingControl(&parent, 2, CRect(10, 10, 40, 40));
    auto* other = new RecordingControl(&parent, 3, CRect(100, 10, 140, 40));
    parent.AddControl(child);
    parent.AddControl(other);
    parent.OnLButtonDown(MK_LBUTTON, {20, 20});
    const int otherMoves = other->moves;
    parent.OnMouseMove(MK_LBUTTON, {120, 20});  // over the other child
    EXPECT_EQ(child->lastMove, CPoint(120, 20));
    EXPECT_EQ(other->moves, otherMoves);
    parent.OnLButtonUp(0, {120, 20});
    EXPECT_EQ(child->ups, 1);
    // Released: moves go to whoever is under the pointer again.
    parent.OnMouseMove(0, {120, 20});
    EXPECT_GT(other->moves, otherMoves);
}

TEST(ControlTest, ScrolledPanelShiftsPointsForChildrenButNotForItsBars) {
    UseHeadless();
    TestDialog dialog;
    ASSERT_TRUE(dialog.Open());
    auto* panel = dialog.Add<MPanel>(20u, CRect(0, 0, 200, 100), u"");
    auto* child = new RecordingControl(panel, 5, CRect(0, 0, 180, 1000));
    child->SetManager(&dialog.GetPaintManager());
    panel->AddControl(child);
    panel->SetVirtualHeight(1000);
    MScroll* bar = panel->GetScrollVertical();
    ASSERT_TRUE(bar->IsVisible());
    EXPECT_EQ(bar->GetRange(), 1000);
    bar->SetPos(500);
    // (1000 - 100) * 500 / 1000 = 450 pixels down.
    EXPECT_EQ(panel->GetScrollOffsetY(), 450);
    panel->OnLButtonDown(0, {50, 30});
    EXPECT_EQ(child->lastPoint, CPoint(50, 480));
    panel->OnLButtonUp(0, {50, 30});
    // The bar along the right edge is hit with the raw point: a press at
    // 3/4 of its height puts it at 3/4 of the range.
    panel->OnLButtonDown(0, {196, 75});
    EXPECT_EQ(bar->GetPos(), 750);
    panel->OnLButtonUp(0, {196, 75});
    // A wheel step down moves the bar by its step.
    bar->SetPos(0);
    EXPECT_EQ(panel->OnScroll(1, 1, {50, 50}), 1);
    EXPECT_EQ(bar->GetPos(), bar->GetStep());
}

TEST(ControlTest, CursorIsChosenByTheLibrarysOwnConstantOnly) {
    RecordingControl c(nullptr, 1, CRect(0, 0, 10, 10));
    c.SetCursorEx(u"hand");  // same text, another pointer
    EXPECT_EQ(c.GetCursorKind(), -1);
    c.SetCursorEx(MCURSOR_HAND);
    EXPECT_EQ(c.GetCursorKind(), static_cast<int>(CursorKind::Hand));
    c.SetCursorEx(nullptr);
    EXPECT_EQ(c.GetCursorKind(), static_cast<int>(CursorKind::Hand));
}

TEST(ControlTest, ChildrenAreFoundDepthFirstThenAreas) {
    RecordingControl root(nullptr, 1, CRect(0, 0, 100, 100));
    auto* a = new RecordingControl(&root, 2, CRect());
    auto* deep = new RecordingControl(a, 7, CRect());
    a->AddControl(deep);
    root.AddControl(a);
    auto* area = new RecordingControl(&root, 7, CRect());
    root.AddArea(area);
    EXPECT_EQ(root.GetControl(7), deep);
    EXPECT_EQ(root.GetControl(99), nullptr);
    root.RemoveControl(a);
    EXPECT_EQ(root.GetControl(7), area);
}

TEST(ControlTest, PositionItemsWithinARange) {
    struct Case {
        FS_POSITION_ITEM item;
        int expected;
    } cases[] = {
        {{0, 0, 10}, 110}, {{0, 1, 10}, 190},  {{1, 0, 10}, 160}, {{1, 1, 10}, 140},
        {{2, 0, 25}, 125}, {{2, 0, 150}, 200}, {{7, 0, 10}, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(MControl::PositionItem2Value(c.item, 100, 200), c.expected) << c.item.mode;
}

TEST(ControlTest, FactoryKnowsClassNamesExactly) {
    UpdateRecorder owner;
    struct Case {
        const char16_t* name;
        bool panel;
        bool made;
    } cases[] = {
        {u"CArea", false, true},       {u"carea", false, false},       {u"", false, false},
        {u"MTabLayout", true, true},   {u"CGifPicture", false, true},  {u"KeyFuncControl", false, false},
        {u"BatteryCtrl", true, false}, {u"NoSuchClass", false, false},
    };
    for (const auto& c : cases) {
        MControl* made = PaintManager::MakeControl(c.name, &owner, 1, CRect(0, 0, 10, 10), u"", 1, 1, c.panel);
        EXPECT_EQ(made != nullptr, c.made) << CString(c.name).ToUtf8();
        delete made;
    }
    EXPECT_EQ(PaintManager::MakeControl(nullptr, &owner, 1, CRect(), u"", 1, 1, false), nullptr);
}
