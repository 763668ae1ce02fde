#include "platform/pictures/IconDirectory.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "platform/pe/LittleEndian.h"
#include "platform/pictures/Dib.h"

namespace lv8int::pictures {

namespace {

using pe::readU16;
using pe::readU32;

// Bits per pixel from a colour count, for entries that leave the bit count 0.
uint16_t bitsOfColorCount(uint8_t colors) {
  switch (colors) {
    case 2: return 1;
    case 16: return 4;
    default: return 8;
  }
}

// Images of one icon looked at at most; real icons hold a handful.
constexpr uint16_t kMaxImages = 256;

}  // namespace

bool parseIconFile(std::span<const uint8_t> file, std::vector<IconImageEntry>& entries, bool& cursor) {
  entries.clear();
  if (file.size() < 6 || readU16(file, 0) != 0) return false;
  uint16_t type = readU16(file, 2);
  if (type != 1 && type != 2) return false;
  cursor = type == 2;
  uint16_t count = std::min(readU16(file, 4), kMaxImages);
  for (uint16_t i = 0; i < count; ++i) {
    size_t e = 6 + size_t(i) * 16;
    if (e + 16 > file.size()) break;
    IconImageEntry entry;
    entry.width = file[e] ? file[e] : 256;
    entry.height = file[e + 1] ? file[e + 1] : 256;
    entry.bytes = readU32(file, e + 8);
    entry.offsetOrId = readU32(file, e + 12);
    if (entry.offsetOrId > file.size() || entry.bytes > file.size() - entry.offsetOrId || entry.bytes == 0) continue;
    std::span<const uint8_t> data = file.subspan(entry.offsetOrId, entry.bytes);
    if (cursor) entry.hotSpot = QPoint(readU16(file, e + 4), readU16(file, e + 6));
    // The depth the image itself declares counts; a .cur entry keeps its hot spot where an
    // .ico entry keeps planes and bit count.
    DibHeader h;
    if (data.size() >= 8 && data[0] == 0x89 && data[1] == 'P') entry.bitCount = 32;
    else if (readDibHeader(data, h)) entry.bitCount = h.bitCount;
    else entry.bitCount = cursor ? bitsOfColorCount(file[e + 2]) : (readU16(file, e + 6) ? readU16(file, e + 6) : bitsOfColorCount(file[e + 2]));
    entries.push_back(entry);
  }
  return !entries.empty();
}

bool parseIconGroup(std::span<const uint8_t> group, bool cursor, std::vector<IconImageEntry>& entries) {
  entries.clear();
  if (group.size() < 6 || readU16(group, 0) != 0 || readU16(group, 2) != (cursor ? 2 : 1)) return false;
  uint16_t count = std::min(readU16(group, 4), kMaxImages);
  for (uint16_t i = 0; i < count; ++i) {
    size_t e = 6 + size_t(i) * 14;
    if (e + 14 > group.size()) break;
    IconImageEntry entry;
    if (cursor) {
      entry.width = readU16(group, e);
      entry.height = readU16(group, e + 2) / 2;
    } else {
      entry.width = group[e] ? group[e] : 256;
      entry.height = group[e + 1] ? group[e + 1] : 256;
    }
    entry.bitCount = readU16(group, e + 6);
    if (entry.bitCount == 0 && !cursor) entry.bitCount = bitsOfColorCount(group[e + 2]);
    entry.bytes = readU32(group, e + 8);
    entry.offsetOrId = readU16(group, e + 12);
    entries.push_back(entry);
  }
  return !entries.empty();
}

size_t chooseIconImage(const std::vector<IconImageEntry>& entries, int32_t cx, int32_t cy, uint16_t maxBits) {
  if (cx <= 0) cx = 32;
  if (cy <= 0) cy = 32;
  size_t best = 0;
  std::tuple<int64_t, int, int> bestScore{INT64_MAX, 0, 0};
  for (size_t i = 0; i < entries.size(); ++i) {
    const IconImageEntry& e = entries[i];
    int64_t distance = std::llabs(int64_t(e.width) - cx) + std::llabs(int64_t(e.height) - cy);
    int smaller = (e.width < cx || e.height < cy) ? 1 : 0;
    // Depths not above maxBits rank by closeness from below; those above come after them.
    int depth = e.bitCount <= maxBits ? maxBits - e.bitCount : 1000 + e.bitCount;
    std::tuple<int64_t, int, int> score{distance, smaller, depth};
    if (score < bestScore) {
      bestScore = score;
      best = i;
    }
  }
  return best;
}

}  // namespace lv8int::pictures
