// KeyItem: one key as the keyboard pictures receive it.
#pragma once

#include "ui/base/CString.h"
#include "ui/base/Geometry.h"

struct KeyItem {
    CString name;         // label drawn on the key
    CString description;  // first line of the key tip
    int code = 0;         // device key code
    CRect rect;           // in picture coordinates
    CString imageName;    // icon; the layout reader leaves it empty
};
