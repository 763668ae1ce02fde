#include "platform/pictures/PictureLoader.h"

#include <cstring>

#include <QBuffer>
#include <QImageReader>

#include "platform/automation/AutomationError.h"
#include "platform/files/Files.h"
#include "platform/pictures/Dib.h"
#include "platform/pictures/IconDirectory.h"

namespace lv8int::pictures {

namespace {

// The persisted form's signature: "lt" and two zero bytes.
constexpr uint8_t kSignature[4] = {'l', 't', 0, 0};
// Streams that do not tell their size are read in pieces of this size, so a size field
// promising more than the stream holds costs no more memory than the stream has.
constexpr uint32_t kChunk = 64 * 1024;
// The most a persisted picture may hold.
constexpr uint64_t kMaxStreamData = 256ull << 20;

std::span<const uint8_t> bytesOf(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

[[noreturn]] void invalidPicture() { raiseError(kInvalidPicture); }

uint16_t maxBitsOf(int32_t depthCode) {
  switch (depthCode) {
    case kDepthMonochrome: return 1;
    case kDepthVGA: return 4;
    case kDepthColor: return 8;
    default: return 32;
  }
}

// The pixel size a size code asks for; 0 by 0 for the icon's own size.
QSize sizeOf(const LoadOptions& o) {
  if (!o.size) return QSize(0, 0);
  switch (*o.size) {
    case kSizeSmall:
    case kSizeSmallShell: return QSize(kSmallIconSize, kSmallIconSize);
    case kSizeLarge:
    case kSizeLargeShell: return QSize(kIconSize, kIconSize);
    default: return QSize(std::max(o.x, 0), std::max(o.y, 0));
  }
}

// Scales an icon image to what was asked; a hot spot moves with it.
QImage fitted(QImage image, QSize want, QPoint* hotSpot) {
  if (image.isNull() || want.width() <= 0 || want.height() <= 0 || image.size() == want) return image;
  if (hotSpot)
    *hotSpot = QPoint(hotSpot->x() * want.width() / image.width(), hotSpot->y() * want.height() / image.height());
  return image.scaled(want, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage readWithQt(std::span<const uint8_t> data, const char* format) {
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                             static_cast<qsizetype>(data.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  reader.setDecideFormatFromContent(false);
  QSize declared = reader.size();
  if (declared.isValid() && (declared.width() > kMaxDimension || declared.height() > kMaxDimension ||
                             int64_t(declared.width()) * declared.height() > kMaxPixels))
    return QImage();
  QImage image = reader.read();
  // The data is borrowed: the image must not share it.
  if (!image.isNull()) image.detach();
  return image;
}

Ref<Picture> iconFromFile(std::span<const uint8_t> data, const LoadOptions& options) {
  std::vector<IconImageEntry> entries;
  bool cursor = false;
  if (!parseIconFile(data, entries, cursor)) invalidPicture();
  QSize want = sizeOf(options);
  const IconImageEntry& e = entries[chooseIconImage(entries, want.width(), want.height(),
                                                    maxBitsOf(options.colorDepth.value_or(kDepthDefault)))];
  QImage image = decodeIconImage(data.subspan(e.offsetOrId, e.bytes));
  if (image.isNull()) invalidPicture();
  QPoint hot = e.hotSpot;
  image = fitted(std::move(image), want, &hot);
  return cursor ? Picture::makeCursor(std::move(image), hot) : Picture::make(std::move(image), Picture::kIcon);
}

void checkCodes(const LoadOptions& options) {
  if (options.size && (*options.size < kSizeSmall || *options.size > kSizeCustom)) raiseError(err::InvalidProcedureCall);
  if (options.colorDepth && (*options.colorDepth < kDepthDefault || *options.colorDepth > kDepthColor))
    raiseError(err::InvalidProcedureCall);
}

}  // namespace

Ref<Picture> loadPictureData(std::string_view bytes, const LoadOptions& options) {
  checkCodes(options);
  std::span<const uint8_t> b = bytesOf(bytes);
  QImage image;
  if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') {
    image = decodeBmpFile(b);
  } else if (b.size() >= 4 && b[0] == 0 && b[1] == 0 && (b[2] == 1 || b[2] == 2) && b[3] == 0) {
    return iconFromFile(b, options);
  } else if (b.size() >= 6 && (std::memcmp(b.data(), "GIF87a", 6) == 0 || std::memcmp(b.data(), "GIF89a", 6) == 0)) {
    image = readWithQt(b, "gif");
  } else if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) {
    image = readWithQt(b, "jpeg");
  } else if (b.size() >= 8 && std::memcmp(b.data(), "\x89PNG\r\n\x1a\n", 8) == 0) {
    image = readWithQt(b, "png");
  }
  if (image.isNull()) invalidPicture();
  return Picture::make(std::move(image), Picture::kBitmap);
}

Ref<Picture> loadPicture(StringView fileName, const LoadOptions& options) {
  checkCodes(options);
  if (fileName.empty()) return nullptr;
  String path = files::resolve(files::fromWindowsPath(fileName));
  if (!files::fileExists(path)) raiseError(err::FileNotFound);
  std::optional<std::string> bytes = files::readFile(path);
  if (!bytes) raiseError(err::PathFileAccess);
  return loadPictureData(*bytes, options);
}

Ref<Picture> loadBitmapResource(const pe::PeFile& module, const pe::ResourceName& name) {
  auto data = module.find(pe::ResourceName(pe::RT_BITMAP), name);
  if (!data) return nullptr;
  return Picture::make(decodeDib(data->bytes), Picture::kBitmap);
}

namespace {

// An icon or cursor through its group: the image chosen for the size, scaled to it.
Ref<Picture> groupImage(const pe::PeFile& module, const pe::ResourceName& name, int32_t cx, int32_t cy, bool cursor) {
  auto group = module.find(pe::ResourceName(cursor ? pe::RT_GROUP_CURSOR : pe::RT_GROUP_ICON), name);
  std::vector<IconImageEntry> entries;
  if (!group || !parseIconGroup(group->bytes, cursor, entries)) return nullptr;
  // Images whose resource is missing do not take part in the choice.
  std::vector<IconImageEntry> present;
  std::vector<std::span<const uint8_t>> data;
  for (const IconImageEntry& e : entries) {
    auto image = module.find(pe::ResourceName(cursor ? pe::RT_CURSOR : pe::RT_ICON),
                             pe::ResourceName(static_cast<uint16_t>(e.offsetOrId)));
    if (!image) continue;
    present.push_back(e);
    data.push_back(image->bytes);
  }
  if (present.empty()) return nullptr;
  size_t i = chooseIconImage(present, cx, cy, 32);
  std::span<const uint8_t> bytes = data[i];
  QPoint hot;
  if (cursor) {
    // A cursor image starts with its hot spot.
    if (bytes.size() < 4) return nullptr;
    hot = QPoint(bytes[0] | (bytes[1] << 8), bytes[2] | (bytes[3] << 8));
    bytes = bytes.subspan(4);
  }
  QImage image = fitted(decodeIconImage(bytes), QSize(cx, cy), &hot);
  if (image.isNull()) return nullptr;
  return cursor ? Picture::makeCursor(std::move(image), hot) : Picture::make(std::move(image), Picture::kIcon);
}

}  // namespace

Ref<Picture> loadIconResource(const pe::PeFile& module, const pe::ResourceName& name, int32_t cx, int32_t cy) {
  return groupImage(module, name, cx, cy, false);
}

Ref<Picture> loadCursorResource(const pe::PeFile& module, const pe::ResourceName& name, int32_t cx, int32_t cy) {
  return groupImage(module, name, cx, cy, true);
}

Ref<Picture> loadFromStream(IStream& stream) {
  uint8_t header[8];
  uint32_t got = 0;
  stream.Read(header, sizeof header, &got);
  std::string data;
  uint64_t limit = kMaxStreamData;
  bool sized = got == 8 && std::memcmp(header, kSignature, 4) == 0;
  if (sized) {
    limit = uint32_t(header[4]) | (uint32_t(header[5]) << 8) | (uint32_t(header[6]) << 16) | (uint32_t(header[7]) << 24);
    if (limit == 0 || limit > kMaxStreamData) invalidPicture();
  } else {
    data.assign(reinterpret_cast<const char*>(header), std::min<uint32_t>(got, 8));
  }
  // The stream's size, when it tells, saves growing the copy piece by piece.
  STATSTG stat;
  if (stream.Stat(&stat, 1) == S_OK) data.reserve(static_cast<size_t>(std::min<uint64_t>(stat.cbSize, limit)));
  while (data.size() < limit) {
    size_t at = data.size();
    uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(std::max<uint64_t>(kChunk, data.capacity() - at), limit - at));
    data.resize(at + want);
    uint32_t n = 0;
    if (stream.Read(data.data() + at, want, &n) != S_OK) n = 0;
    data.resize(at + std::min(n, want));
    if (n == 0) break;
  }
  if (sized && data.size() < limit) invalidPicture();
  return loadPictureData(data);
}

}  // namespace lv8int::pictures
