#pragma once
// Decoder of the LZX stream held in the compressed section of a compiled help file, frame by
// frame. The stream is outside input: every table, length and offset is checked, a frame never
// writes outside its window or reads past its input, and each frame ends after a bounded amount
// of work, so damaged data gives an error and never a crash or a hang.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lv8int::chm {

class LzxDecoder {
 public:
  static constexpr size_t kFrameSize = 0x8000;

  // `windowBits` 15 to 21; any other value makes every frame fail.
  explicit LzxDecoder(unsigned windowBits);

  // Starts the stream anew, as the compressor does at each reset point.
  void reset();
  // Decodes the next frame from its compressed bytes `in` and keeps its first `size` bytes (at
  // most kFrameSize; less only for the last frame) in `out`. False when the data is damaged;
  // the decoder then needs a reset.
  bool decodeFrame(std::string_view in, size_t size, std::string& out);

 private:
  class Bits;
  // A canonical prefix code; lengths over 16 name symbols that can never be decoded.
  class Code {
   public:
    bool build(const uint8_t* lengths, size_t count);
    unsigned decode(Bits& bits) const;

   private:
    static constexpr unsigned kFastBits = 10;
    std::array<uint16_t, 1u << kFastBits> fast_{};  // symbol << 5 | length, or kSlow
    std::array<uint16_t, 17> counts_{};
    std::vector<uint16_t> sorted_;  // symbols in order of length, then value
    bool empty_ = true;
  };

  bool readBlockHeader(Bits& bits);
  bool readLengths(Bits& bits, uint8_t* lengths, size_t capacity, size_t first, size_t last);
  bool decodeRun(Bits& bits, int64_t& run);
  void translateCalls(std::string& out);

  static constexpr size_t kMainCapacity = 656 + 64, kLengthCapacity = 250 + 64;

  bool valid_ = false;
  uint32_t windowSize_ = 0, mainElements_ = 0;
  std::vector<uint8_t> window_;
  uint32_t windowPos_ = 0;
  uint32_t r0_ = 1, r1_ = 1, r2_ = 1;
  int blockType_ = 0;
  uint32_t blockLength_ = 0, blockRemaining_ = 0;
  bool headerRead_ = false, intelStarted_ = false;
  int32_t intelFileSize_ = 0, intelCurPos_ = 0;
  uint32_t framesRead_ = 0;
  std::array<uint8_t, kMainCapacity> mainLengths_{};
  std::array<uint8_t, kLengthCapacity> lengthLengths_{};
  std::array<uint8_t, 8> alignedLengths_{};
  Code main_, length_, aligned_, pre_;
};

}  // namespace lv8int::chm
