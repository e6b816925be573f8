// Writers for the two container formats the skin needs besides PNG: the
// animated busy indicator (GIF, through giflib) and the application icon
// (ICO holding PNG images, the form every current reader accepts).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/skingen/Canvas.h"

namespace skingen {

// Writes `bytes` to `path` through a temporary file and a rename, so an
// interrupted build never leaves half an image behind.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes);

// An opaque looping GIF of equal-sized frames. Every pixel is composited
// over `matte` and mapped to a palette of the matte and ramps from it
// towards each of `inks` (at most three), which is exact for drawings made
// of those colours with anti-aliased edges.
[[nodiscard]] bool WriteAnimatedGif(const std::string& path, const std::vector<std::unique_ptr<Canvas>>& frames,
                                    int delayCentiseconds, const Rgba& matte, const std::vector<Rgba>& inks);

// An ICO file whose entries are the PNG encodings of square `images`
// (sizes up to 256).
[[nodiscard]] bool WriteIcon(const std::string& path, const std::vector<std::unique_ptr<Canvas>>& images);

}  // namespace skingen
