#include "platform/pictures/Dib.h"

#include <bit>
#include <cstring>
#include <string>

#include "platform/pe/LittleEndian.h"

namespace lv8int::pictures {

namespace {

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;

using pe::readU16;
using pe::readU32;

bool isPng(std::span<const uint8_t> b) { return b.size() >= 8 && std::memcmp(b.data(), "\x89PNG\r\n\x1a\n", 8) == 0; }

// One channel of a bit-field pixel scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;
  explicit Channel(uint32_t m = 0) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    uint32_t bits = std::countr_one(m >> shift);
    max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
  }
  uint32_t operator()(uint32_t pixel) const {
    if (!mask) return 0;
    uint64_t v = (pixel & mask) >> shift;
    return static_cast<uint32_t>(std::min<uint64_t>(255, v * 255 / max));
  }
};

struct Layout {
  DibHeader h;
  uint32_t headerSize = 0;
  bool core = false;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  bool hasAlphaMask = false;
  size_t tableAt = 0;
  uint32_t tableEntries = 0;
  size_t tableEnd = 0;  // where the pixel rows start unless told otherwise
};

bool readLayout(std::span<const uint8_t> dib, Layout& l) {
  if (!readDibHeader(dib, l.h)) return false;
  l.headerSize = readU32(dib, 0);
  l.core = l.headerSize == 12;
  uint16_t bits = l.h.bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  size_t at = l.headerSize;
  uint32_t c = l.h.compression;
  if (c == BI_BITFIELDS || c == BI_ALPHABITFIELDS) {
    if (bits != 16 && bits != 32) return false;
    size_t count = c == BI_ALPHABITFIELDS ? 4 : 3;
    size_t from = l.headerSize >= 52 ? 40 : l.headerSize;
    if (from + count * 4 > dib.size()) return false;
    for (size_t i = 0; i < count; ++i) l.masks[i] = readU32(dib, from + i * 4);
    if (l.headerSize >= 56) l.masks[3] = readU32(dib, 52);
    l.hasAlphaMask = l.masks[3] != 0;
    if (l.headerSize < 52) at += count * 4;
  } else if (bits == 16) {
    l.masks[0] = 0x7C00, l.masks[1] = 0x03E0, l.masks[2] = 0x001F;
  } else if (bits == 32) {
    l.masks[0] = 0xFF0000, l.masks[1] = 0xFF00, l.masks[2] = 0xFF;
  }
  uint32_t used = l.core ? 0 : readU32(dib, 32);
  if (bits <= 8) l.tableEntries = (used == 0 || used > (1u << bits)) ? (1u << bits) : used;
  else l.tableEntries = used > 0x10000 ? 0 : used;  // an optional palette to skip
  l.tableAt = at;
  uint64_t tableBytes = uint64_t(l.tableEntries) * (l.core ? 3 : 4);
  l.tableEnd = static_cast<size_t>(std::min<uint64_t>(at + tableBytes, uint64_t(1) << 40));
  if (bits <= 8 && l.tableEnd > dib.size()) return false;
  return true;
}

bool sizeAcceptable(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kMaxDimension && height <= kMaxDimension && width * height <= kMaxPixels;
}

// Whether the data holds `rows` rows of pixels from `bitsAt`; checked before an image is
// allocated, so a header cannot make us allocate more than the data could fill.
bool rowsPresent(std::span<const uint8_t> dib, const Layout& l, size_t bitsAt, int64_t rows) {
  uint64_t stride = (uint64_t(l.h.width) * l.h.bitCount + 31) / 32 * 4;
  return bitsAt <= dib.size() && stride * uint64_t(rows) <= dib.size() - bitsAt;
}

// Decodes `rows` rows of the colour bitmap from `bits`; false when the data is short.
bool decodeRows(std::span<const uint8_t> dib, const Layout& l, size_t bitsAt, int32_t rows, bool topDown,
                QImage& image, size_t& end) {
  const int32_t w = l.h.width;
  const uint16_t bits = l.h.bitCount;
  uint64_t stride = (uint64_t(w) * bits + 31) / 32 * 4;
  uint64_t need = stride * uint64_t(rows);
  if (bitsAt > dib.size() || need > dib.size() - bitsAt) return false;
  end = bitsAt + static_cast<size_t>(need);

  QRgb palette[256];
  for (uint32_t i = 0; i < 256; ++i) palette[i] = qRgb(0, 0, 0);
  if (bits <= 8) {
    size_t entry = l.core ? 3 : 4;
    for (uint32_t i = 0; i < l.tableEntries; ++i) {
      size_t p = l.tableAt + i * entry;
      palette[i] = qRgb(dib[p + 2], dib[p + 1], dib[p]);
    }
  }
  Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]), alpha(l.masks[3]);
  for (int32_t y = 0; y < rows; ++y) {
    const uint8_t* row = dib.data() + bitsAt + stride * uint64_t(y);
    QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(topDown ? y : rows - 1 - y));
    // One loop per depth: the depth does not change within a bitmap.
    switch (bits) {
      case 1:
        for (int32_t x = 0; x < w; ++x) out[x] = palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case 4:
        for (int32_t x = 0; x < w; ++x) out[x] = palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
        break;
      case 8:
        for (int32_t x = 0; x < w; ++x) out[x] = palette[row[x]];
        break;
      case 24:
        for (int32_t x = 0; x < w; ++x) out[x] = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
        break;
      case 16:
        for (int32_t x = 0; x < w; ++x) {
          uint32_t p = uint32_t(row[x * 2] | (row[x * 2 + 1] << 8));
          out[x] = qRgba(red(p), green(p), blue(p), l.hasAlphaMask ? alpha(p) : 255);
        }
        break;
      case 32:
        if (l.masks[0] == 0xFF0000 && l.masks[1] == 0xFF00 && l.masks[2] == 0xFF && !l.hasAlphaMask) {
          for (int32_t x = 0; x < w; ++x) out[x] = 0xFF000000u | readU32({row, size_t(stride)}, size_t(x) * 4);
        } else {
          for (int32_t x = 0; x < w; ++x) {
            uint32_t p = readU32({row, size_t(stride)}, size_t(x) * 4);
            out[x] = qRgba(red(p), green(p), blue(p), l.hasAlphaMask ? alpha(p) : 255);
          }
        }
        break;
    }
  }
  return true;
}

// Compressed bitmaps (run-length) go through Qt's BMP reader with a file header put in front.
QImage decodeWithFileHeader(std::span<const uint8_t> dib, size_t bitsAt) {
  std::string file(14, '\0');
  uint64_t total = 14 + uint64_t(dib.size());
  if (total > 0xFFFFFFFFu) return QImage();
  auto put32 = [&file](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  file[0] = 'B', file[1] = 'M';
  put32(2, static_cast<uint32_t>(total));
  put32(10, static_cast<uint32_t>(14 + bitsAt));
  file.append(reinterpret_cast<const char*>(dib.data()), dib.size());
  QImage image;
  if (!image.loadFromData(reinterpret_cast<const uchar*>(file.data()), static_cast<int>(file.size()), "BMP"))
    return QImage();
  return image;
}

}  // namespace

bool readDibHeader(std::span<const uint8_t> dib, DibHeader& header) {
  if (dib.size() < 12) return false;
  uint32_t size = readU32(dib, 0);
  if (size == 12) {
    header.width = readU16(dib, 4);
    header.height = readU16(dib, 6);
    header.bitCount = readU16(dib, 10);
    header.compression = BI_RGB;
    return true;
  }
  if (size < 40 || size > dib.size()) return false;
  header.width = static_cast<int32_t>(readU32(dib, 4));
  header.height = static_cast<int32_t>(readU32(dib, 8));
  header.bitCount = readU16(dib, 14);
  header.compression = readU32(dib, 16);
  return true;
}

QImage decodeDib(std::span<const uint8_t> dib, int64_t bitsOffset) {
  Layout l;
  if (!readLayout(dib, l)) return QImage();
  int64_t height = l.h.height;
  bool topDown = height < 0;
  if (topDown) height = -int64_t(height);
  if (!sizeAcceptable(l.h.width, height)) return QImage();
  size_t bitsAt = bitsOffset >= 0 ? static_cast<size_t>(bitsOffset) : l.tableEnd;
  if (bitsAt > dib.size()) return QImage();
  uint32_t c = l.h.compression;
  if (c == BI_RLE8 || c == BI_RLE4) {
    if (topDown || (c == BI_RLE8 && l.h.bitCount != 8) || (c == BI_RLE4 && l.h.bitCount != 4)) return QImage();
    return decodeWithFileHeader(dib, bitsAt);
  }
  if (c != BI_RGB && c != BI_BITFIELDS && c != BI_ALPHABITFIELDS) return QImage();
  if (!rowsPresent(dib, l, bitsAt, height)) return QImage();
  // A bitmap's fourth byte is not alpha unless a mask says so.
  QImage image(l.h.width, static_cast<int>(height), l.hasAlphaMask ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (image.isNull()) return QImage();
  size_t end = 0;
  if (!decodeRows(dib, l, bitsAt, static_cast<int32_t>(height), topDown, image, end)) return QImage();
  return image;
}

QImage decodeIconImage(std::span<const uint8_t> data) {
  if (isPng(data)) {
    QImage image;
    if (!image.loadFromData(data.data(), static_cast<int>(std::min<size_t>(data.size(), 0x7FFFFFFF)), "PNG"))
      return QImage();
    return image.convertToFormat(QImage::Format_ARGB32);
  }
  Layout l;
  if (!readLayout(data, l)) return QImage();
  if (l.h.compression != BI_RGB && l.h.compression != BI_BITFIELDS) return QImage();
  int32_t rows = l.h.height / 2;  // the colour bitmap and the AND mask share the height
  if (l.h.height <= 0 || !sizeAcceptable(l.h.width, rows) || !rowsPresent(data, l, l.tableEnd, rows)) return QImage();
  QImage image(l.h.width, rows, QImage::Format_ARGB32);
  if (image.isNull()) return QImage();
  size_t end = 0;
  if (!decodeRows(data, l, l.tableEnd, rows, false, image, end)) return QImage();

  bool alphaUsed = false;
  if (l.h.bitCount == 32) {
    // A 32-bit icon carries alpha in its fourth byte whether or not a mask names it.
    for (int32_t y = 0; y < rows; ++y) {
      const uint8_t* row = data.data() + l.tableEnd + size_t(l.h.width) * 4 * (rows - 1 - y);
      QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int32_t x = 0; x < l.h.width; ++x) {
        out[x] = qRgba(qRed(out[x]), qGreen(out[x]), qBlue(out[x]), row[x * 4 + 3]);
        alphaUsed = alphaUsed || row[x * 4 + 3] != 0;
      }
    }
  }
  uint64_t maskStride = (uint64_t(l.h.width) + 31) / 32 * 4;
  bool hasMask = end <= data.size() && maskStride * uint64_t(rows) <= data.size() - end;
  for (int32_t y = 0; y < rows; ++y) {
    QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    const uint8_t* mask = hasMask ? data.data() + end + maskStride * uint64_t(rows - 1 - y) : nullptr;
    for (int32_t x = 0; x < l.h.width; ++x) {
      if (alphaUsed) continue;
      bool transparent = mask && ((mask[x >> 3] >> (7 - (x & 7))) & 1);
      out[x] = transparent ? qRgba(0, 0, 0, 0) : (out[x] | 0xFF000000u);
    }
  }
  return image;
}

QImage decodeBmpFile(std::span<const uint8_t> file) {
  if (file.size() < 14 + 12 || file[0] != 'B' || file[1] != 'M') return QImage();
  uint32_t offBits = readU32(file, 10);
  std::span<const uint8_t> dib = file.subspan(14);
  DibHeader h;
  if (!readDibHeader(dib, h)) return QImage();
  // The file header's pixel offset counts when it points past the DIB header; writers that
  // leave it 0 or wrong get the rows right after the colour table.
  int64_t bitsAt = (offBits >= 14 + readU32(dib, 0) && offBits - 14 < dib.size()) ? int64_t(offBits) - 14 : -1;
  return decodeDib(dib, bitsAt);
}

}  // namespace lv8int::pictures
