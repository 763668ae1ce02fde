#pragma once
// Device-independent bitmaps as Windows stores them: in resource modules (a DIB without its
// file header), in .bmp files (with it) and inside icons and cursors (the colour bitmap over
// twice the height, followed by the 1-bit AND mask). Every offset and size is checked against
// the data; damaged data gives a null image.
#include <cstdint>
#include <span>

#include <QImage>

namespace lv8int::pictures {

// The dimensions a DIB header declares (for an icon image, the height of both bitmaps).
struct DibHeader {
  int32_t width = 0;
  int32_t height = 0;  // negative: rows from the top
  uint16_t bitCount = 0;
  uint32_t compression = 0;
};
bool readDibHeader(std::span<const uint8_t> dib, DibHeader& header);

// A DIB: header, colour masks and colour table, then the pixel rows (at `bitsOffset` from the
// start when given, else right after the colour table).
QImage decodeDib(std::span<const uint8_t> dib, int64_t bitsOffset = -1);
// The image of an icon or cursor: a PNG, or a DIB over twice the height whose AND mask gives
// the transparency (32-bit images with alpha use their alpha).
QImage decodeIconImage(std::span<const uint8_t> data);
// A .bmp file.
QImage decodeBmpFile(std::span<const uint8_t> file);

// Pixel counts beyond which an image is refused.
inline constexpr int32_t kMaxDimension = 32768;
inline constexpr int64_t kMaxPixels = int64_t(1) << 26;

}  // namespace lv8int::pictures
