// MTabLayout: a panel that draws nothing itself, ticks its children, and
// wants the mouse only where one of its children does (a page of a tab
// control).
#pragma once

#include "ui/control/MPanel.h"

class MTabLayout : public MPanel {
public:
    MTabLayout(MObject* parent, unsigned id, CRect rect, const char16_t* title = u"", int visible = 1, int enabled = 1);
    [[nodiscard]] const char16_t* GetClassNameW() const override { return u"MTabLayout"; }
    int OnCheckMouseResponse(unsigned flags, CPoint pt) override;
};
