// LightModeInfo: one lighting mode a keyboard offers (a light/info element of
// its layout file).
#pragma once

#include "ui/base/CString.h"

struct LightModeInfo {
    CString name;       // decimal text: the language text id of the mode's name
    int mode = 0;       // mode number
    int attribute = 0;  // editor bits of the lighting page (stored as config_func)
};
