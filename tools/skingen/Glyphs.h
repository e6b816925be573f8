// Vector pictograms of the skin: function-picker icons, page and tab icons,
// tool-button symbols. Each is drawn in a square box of any size, so one
// drawing serves the 20-pixel picker icon and the 32-pixel tab icon alike.
#pragma once

#include "tools/skingen/Canvas.h"

namespace skingen {

enum class Glyph {
    Computer,
    Calculator,
    Mail,
    Media,
    PlayPause,
    Stop,
    Previous,
    Next,
    VolumeDown,
    VolumeUp,
    Mute,
    Home,
    Refresh,
    WebStop,
    Back,
    Forward,
    Favourites,
    Search,
    Keyboard,
    Macro,
    Light,
    Gear,
    Usb,
    Wireless,
    Bluetooth,
    Bolt,
    Close,
    Minimise,
    Add,
    Delete,
    Edit,
    Import,
    Export,
    ArrowUp,
    ArrowDown,
    ArrowLeft,
    ArrowRight,
    Trash,
};

// Draws `glyph` into the square (x, y, size, size) in colour `c`.
void DrawGlyph(const Canvas& canvas, Glyph glyph, double x, double y, double size, const Rgba& c);

// The product's mark: a keycap with a "T", on a rounded dark tile when
// `withTile` is set (application and tray icon), bare otherwise (logo).
void DrawMark(const Canvas& canvas, double x, double y, double size, bool withTile);

// The word "TASTRA" in stroked capitals, `height` pixels tall, from (x, y).
// Returns the width drawn.
double DrawWordmark(const Canvas& canvas, double x, double y, double height, const Rgba& c);

}  // namespace skingen
