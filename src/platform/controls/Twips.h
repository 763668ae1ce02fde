#pragma once
// Twips (1/1440 inch) against the screen's pixels, as controls measure their places.
#include <cstdint>

namespace lv8int::twips {

// Twips per vertical pixel of the primary screen (15 at 96 dots per inch; 15 without a screen).
int32_t perPixelY();
int32_t fromPixelsY(int pixels);
int toPixelsY(int32_t twips);  // rounded to the nearest pixel

}  // namespace lv8int::twips
