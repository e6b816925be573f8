#include "tools/gallery/GalleryDialog.h"

#include <cstdio>

#include "tools/gallery/GalleryButton.h"
#include "ui/control/CArea.h"
#include "ui/control/MPanel.h"
#include "ui/render/CGifPicture.h"

namespace {
constexpr unsigned kAnimationPeriodMs = 10;
}

void GalleryDialog::InitUI(CRect) {
    AddControl(new GalleryButton(this, kButtonId, kButtonRect, u"Click me"));
    AddControl(new GalleryButton(this, kButtonId + 1, CRect(220, 40, 380, 80), u"Second"));
    auto* disabled = AddControl(new GalleryButton(this, kButtonId + 2, CRect(400, 40, 560, 80), u"Disabled"));
    disabled->SetEnabled(0);

    if (auto* area = static_cast<CArea*>(CreateArea(u"CArea", 200, CRect(40, 120, 560, 320), u"")))
        area->SetTransparent(20, 90, 0xD0A040);
    if (auto* area = static_cast<CArea*>(CreateArea(u"CArea", 201, CRect(600, 120, 900, 320), u""))) {
        area->SetTransparent(0, 0, 0x302010);
        area->SetFrame(1, 0xFFE0E0E0);
    }
    if (auto* gif = static_cast<CGifPicture*>(CreateControl(u"CGifPicture", 300, CRect(940, 120, 1004, 184), u""))) {
        gif->SetImage(u"loading\\loading.gif", 0);
        gif->SetRunState(1, 0);
    }
    // A panel whose content is taller than itself shows its scroll bar.
    auto* panel = new MPanel(this, 400, CRect(40, 360, 360, 560), u"");
    AddControl(panel);
    for (unsigned i = 0; i < 6; ++i) {
        auto* b = new GalleryButton(
            panel, 410 + i, CRect(50, 370 + 40 * static_cast<int>(i), 330, 400 + 40 * static_cast<int>(i)), u"Row");
        b->SetManager(&GetPaintManager());
        panel->AddControl(b);
    }
    panel->SetEnableScroll(0);
    SetMTimer(kAnimationPeriodMs);
}

long GalleryDialog::OnMessage(unsigned ctrlId, unsigned msg, unsigned wParam, long) {
    std::printf("notify %u %u %u\n", ctrlId, msg, wParam);
    std::fflush(stdout);
    if (msg == CN_CLICKED && ctrlId == kButtonId) SetMessage(u"Clicked");
    return 0;
}

void GalleryDialog::OnPaint() {
    if (m_announced) return;
    m_announced = true;
    std::printf("ready\n");
    std::fflush(stdout);
}
