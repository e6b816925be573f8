// The gallery's dialog: every control class the toolkit has, laid out on a
// 1280 x 720 window. Notifications are printed on stdout ("notify <id>
// <msg>") and a click on a button shows the overlay message "Clicked".
#pragma once

#include "ui/window/MDialog.h"

class GalleryDialog : public MDialog {
public:
    // Controls a test may click, and where.
    static constexpr unsigned kButtonId = 100;
    static constexpr CRect kButtonRect{40, 40, 200, 80};

    void InitUI(CRect client) override;
    long OnMessage(unsigned ctrlId, unsigned msg, unsigned wParam, long lParam) override;
    void OnPaint() override;

private:
    bool m_announced = false;
};
