#pragma once
// Loading pictures: files (the platform's picture loader with its optional size and colour-
// depth codes), images of a resource module, and the persisted form read from a stream.
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/automation/String.h"
#include "platform/pe/PeFile.h"
#include "platform/pictures/IStream.h"
#include "platform/pictures/Picture.h"

namespace lv8int::pictures {

// The error a picture that cannot be read raises: "Invalid picture".
inline constexpr int32_t kInvalidPicture = 481;

// Size codes of the picture loader (icons and cursors; other pictures keep their size).
inline constexpr int32_t kSizeSmall = 0;        // system small icon
inline constexpr int32_t kSizeLarge = 1;        // system icon
inline constexpr int32_t kSizeSmallShell = 2;   // shell small icon
inline constexpr int32_t kSizeLargeShell = 3;   // shell icon
inline constexpr int32_t kSizeCustom = 4;       // x by y pixels
// Colour-depth codes.
inline constexpr int32_t kDepthDefault = 0;     // the best the picture holds
inline constexpr int32_t kDepthMonochrome = 1;
inline constexpr int32_t kDepthVGA = 2;         // 16 colours
inline constexpr int32_t kDepthColor = 3;       // 256 colours

// The icon sizes in pixels behind the size codes on this platform.
inline constexpr int32_t kSmallIconSize = 16;
inline constexpr int32_t kIconSize = 32;

struct LoadOptions {
  std::optional<int32_t> size;        // a size code; none: the icon's own size nearest 32
  std::optional<int32_t> colorDepth;  // a colour-depth code
  int32_t x = 0, y = 0;               // for kSizeCustom
};

// The picture loader. The format comes from the content (bmp, ico, cur, gif, jpg, png), not
// from the name. An empty name gives no object. Raises 53 (File not found) for a missing file,
// 481 (Invalid picture) for data that is not a picture it reads, 5 for a size or colour-depth
// code out of range.
Ref<Picture> loadPicture(StringView fileName, const LoadOptions& options = {});
// The same over bytes in memory (a file's content).
Ref<Picture> loadPictureData(std::string_view bytes, const LoadOptions& options = {});

// Images of a resource module, as the platform's image loader takes them. No object when the
// resource is missing or its data is damaged.
// A bitmap (a DIB without its file header).
Ref<Picture> loadBitmapResource(const pe::PeFile& module, const pe::ResourceName& name);
// An icon through its group: the image that best fits cx by cy pixels, scaled to that size
// when it differs; 0 by 0 takes the image nearest the normal icon size as it is.
Ref<Picture> loadIconResource(const pe::PeFile& module, const pe::ResourceName& name, int32_t cx, int32_t cy);
// A cursor through its group, with its hot spot (scaled with the image).
Ref<Picture> loadCursorResource(const pe::PeFile& module, const pe::ResourceName& name, int32_t cx, int32_t cy);

// The persisted form: "lt", two zero bytes, the data size as a 32-bit little-endian number,
// then that many bytes of BMP (with its file header), GIF, JPEG, PNG or ICO data. Data without
// the header is read to the end of the stream. Raises 481 (Invalid picture) when the stream
// holds less than the size says or the data is not a picture.
Ref<Picture> loadFromStream(IStream& stream);

}  // namespace lv8int::pictures
