// The complete list of skin images: where each lives under the theme folder,
// its size and frame count, and how it is drawn.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace skingen {

struct SkinImage {
    std::string path;  // relative to skins/theme1/, "/" separated
    int width = 0;     // whole image; a strip's frames are width / frames wide
    int height = 0;
    int frames = 1;  // strip frames, or animation frames for a GIF
    // Draws the image and writes it to the given absolute path.
    std::function<bool(const std::string&)> write;
};

[[nodiscard]] std::vector<SkinImage> BuildSkinSet();

// The application icon as a square PNG of `size` pixels (for the desktop
// entry; the skin holds the same drawing at tray and window sizes).
[[nodiscard]] bool WriteApplicationIcon(const std::string& path, int size);

}  // namespace skingen
