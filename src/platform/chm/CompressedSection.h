#pragma once
// The compressed section of a compiled help file: its LZX control data and reset table,
// checked when the section is made, and its bytes decoded on demand. Frames are decoded once,
// in order, and kept; a damaged frame makes the frames up to the next reset point unreadable.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/chm/LzxDecoder.h"

namespace lv8int::chm {

class CompressedSection {
 public:
  // Null when the control data or the reset table do not describe a stream that `content`
  // (the compressed bytes, which must outlive the section) can hold.
  static std::unique_ptr<CompressedSection> create(std::string_view controlData, std::string_view resetTable,
                                                   std::string_view content);

  // Decoded bytes of the section at [offset, offset + length); nothing when any of them lies
  // past the section's end or in a damaged frame.
  std::optional<std::string> read(uint64_t offset, uint64_t length);

  // Decoded sections larger than this are refused.
  static constexpr uint64_t kMaxLength = 1ull << 30;

 private:
  CompressedSection(unsigned windowBits) : decoder_(windowBits) {}
  bool decodeThrough(size_t frame);

  LzxDecoder decoder_;
  std::string_view content_;
  uint64_t length_ = 0;
  size_t resetFrames_ = 0;
  std::vector<uint64_t> starts_;  // compressed offset of each frame, then the stream's end
  std::vector<std::string> frames_;
  std::vector<bool> damaged_;
};

}  // namespace lv8int::chm
