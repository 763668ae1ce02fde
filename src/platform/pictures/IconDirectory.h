#pragma once
// The directory of an icon or cursor: the header of an .ico/.cur file (entries point at image
// data by offset) or the group resource of a module (entries name RT_ICON/RT_CURSOR images by
// number), and the choice of the image that best fits a size.
#include <cstdint>
#include <span>
#include <vector>

#include <QPoint>

namespace lv8int::pictures {

struct IconImageEntry {
  int32_t width = 0;   // pixels
  int32_t height = 0;  // pixels (a cursor group's doubled height already halved)
  uint16_t bitCount = 0;
  uint32_t bytes = 0;
  uint32_t offsetOrId = 0;  // file offset, or the image's resource number
  QPoint hotSpot;           // .cur files
};

// An .ico (type 1) or .cur (type 2) file; false when the header is not one or no entry's data
// lies inside the file (entries outside it are dropped).
bool parseIconFile(std::span<const uint8_t> file, std::vector<IconImageEntry>& entries, bool& cursor);
// An icon or cursor group resource; false when damaged or empty.
bool parseIconGroup(std::span<const uint8_t> group, bool cursor, std::vector<IconImageEntry>& entries);

// The position of the image to take for cx by cy pixels (0 by 0: the normal icon size) and at
// most `maxBits` bits per pixel: the nearest size first (a larger image before a smaller one
// at the same distance), then the deepest colour not above maxBits, else the shallowest above.
size_t chooseIconImage(const std::vector<IconImageEntry>& entries, int32_t cx, int32_t cy, uint16_t maxBits);

}  // namespace lv8int::pictures
