#include "ui/control/MTabLayout.h"

MTabLayout::MTabLayout(MObject* parent, unsigned id, CRect rect, const char16_t* title, int visible, int enabled)
    : MPanel(parent, id, rect, title, visible, enabled) {
    m_runTimer = 1;
}

int MTabLayout::OnCheckMouseResponse(unsigned flags, CPoint pt) {
    for (MControl* child : ChildSnapshot())
        if (child->PtInRect(pt) && child->OnCheckMouseResponse(flags, pt)) return 1;
    return 0;
}
