// KeyboardPicture: what the layout reader needs of one keyboard picture
// control. The application adapts its KeyboardCtrl controls to it.
#pragma once

#include "model/KeyItem.h"
#include "ui/base/CString.h"
#include "ui/base/Geometry.h"

class KeyboardPicture {
public:
    virtual ~KeyboardPicture() = default;

    // Control rectangle in window coordinates.
    virtual void SetRect(const CRect& rect) = 0;
    // Picture file relative to the skin folder ("keyboard\" + image).
    virtual void SetKeyboardImage(const CString& file) = 0;
    virtual void SetWidthAndHeight(int width, int height) = 0;
    // Drops every key item.
    virtual void ClearItem() = 0;
    virtual void AddKeyItem(const KeyItem& item) = 0;
};
