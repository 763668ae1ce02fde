#include "platform/chm/CompressedSection.h"

#include <bit>
#include <cstring>

namespace lv8int::chm {

namespace {

uint32_t le32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

uint64_t le64(std::string_view b, size_t at) { return le32(b, at) | static_cast<uint64_t>(le32(b, at + 4)) << 32; }

}  // namespace

std::unique_ptr<CompressedSection> CompressedSection::create(std::string_view controlData, std::string_view resetTable,
                                                             std::string_view content) {
  // Control data: size, "LZXC", version, reset interval, window size, windows per reset; the
  // second version counts the interval and the window in frames.
  if (controlData.size() < 0x18 || controlData.substr(4, 4) != "LZXC") return nullptr;
  const uint32_t version = le32(controlData, 8);
  uint64_t resetInterval = le32(controlData, 0xC), windowSize = le32(controlData, 0x10);
  const uint64_t windowsPerReset = le32(controlData, 0x14);
  if (version == 2) {
    resetInterval *= LzxDecoder::kFrameSize;
    windowSize *= LzxDecoder::kFrameSize;
  } else if (version != 1) {
    return nullptr;
  }
  if (windowSize < (1u << 15) || windowSize > (1u << 21) || !std::has_single_bit(windowSize)) return nullptr;
  if (resetInterval == 0 || resetInterval % (windowSize / 2) != 0) return nullptr;
  const uint64_t resetFrames = resetInterval / (windowSize / 2) * windowsPerReset;
  if (resetFrames == 0) return nullptr;

  // Reset table: version, frame count, entry size, table offset, decoded and compressed
  // lengths, frame length, then the compressed offset of each frame.
  if (resetTable.size() < 0x28) return nullptr;
  const uint64_t count = le32(resetTable, 4), entrySize = le32(resetTable, 8), tableAt = le32(resetTable, 0xC);
  const uint64_t length = le64(resetTable, 0x10), compressed = le64(resetTable, 0x18), frameLength = le64(resetTable, 0x20);
  if (entrySize != 8 || frameLength != LzxDecoder::kFrameSize || length > kMaxLength || compressed > content.size())
    return nullptr;
  const uint64_t frames = (length + LzxDecoder::kFrameSize - 1) / LzxDecoder::kFrameSize;
  const uint64_t listed = std::min(count, frames + 1);
  if (frames > count || tableAt > resetTable.size() || listed > (resetTable.size() - tableAt) / 8) return nullptr;

  std::unique_ptr<CompressedSection> section(new CompressedSection(static_cast<unsigned>(std::countr_zero(windowSize))));
  section->content_ = content.substr(0, compressed);
  section->length_ = length;
  section->resetFrames_ = static_cast<size_t>(std::min<uint64_t>(resetFrames, frames + 1));
  section->starts_.reserve(frames + 1);
  for (uint64_t i = 0; i < listed; ++i) section->starts_.push_back(le64(resetTable, tableAt + i * 8));
  if (listed == frames) section->starts_.push_back(compressed);
  for (size_t i = 0; i + 1 < section->starts_.size(); ++i)
    if (section->starts_[i] > section->starts_[i + 1] || section->starts_[i + 1] > compressed) return nullptr;
  return section;
}

bool CompressedSection::decodeThrough(size_t frame) {
  while (frames_.size() <= frame) {
    const size_t i = frames_.size();
    std::string out;
    bool ok = false;
    if (i % resetFrames_ == 0) decoder_.reset();
    // After a damaged frame the stream can only be picked up again at a reset point.
    if (i % resetFrames_ == 0 || !damaged_.back()) {
      const size_t size = static_cast<size_t>(std::min<uint64_t>(LzxDecoder::kFrameSize, length_ - i * LzxDecoder::kFrameSize));
      const std::string_view in = content_.substr(starts_[i], starts_[i + 1] - starts_[i]);
      ok = decoder_.decodeFrame(in, size, out);
    }
    if (!ok) out.clear();
    frames_.push_back(std::move(out));
    damaged_.push_back(!ok);
  }
  return !damaged_[frame];
}

std::optional<std::string> CompressedSection::read(uint64_t offset, uint64_t length) {
  if (offset > length_ || length > length_ - offset) return std::nullopt;
  std::string bytes;
  bytes.reserve(static_cast<size_t>(length));
  for (uint64_t at = offset; at < offset + length;) {
    const size_t frame = static_cast<size_t>(at / LzxDecoder::kFrameSize);
    if (!decodeThrough(frame)) return std::nullopt;
    const size_t from = static_cast<size_t>(at % LzxDecoder::kFrameSize);
    const size_t n = static_cast<size_t>(std::min<uint64_t>(frames_[frame].size() - from, offset + length - at));
    bytes.append(frames_[frame], from, n);
    at += n;
  }
  return bytes;
}

}  // namespace lv8int::chm
