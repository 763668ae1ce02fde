#include "platform/chm/LzxDecoder.h"

#include <algorithm>
#include <cstring>

namespace lv8int::chm {

namespace {

constexpr int kVerbatim = 1, kAligned = 2, kUncompressed = 3;
constexpr unsigned kChars = 256, kMinMatch = 2, kPrimaryLengths = 7, kSecondaryLengths = 249;
constexpr uint16_t kSlow = 0xFFFF;

struct Slots {
  std::array<uint8_t, 51> extra{};
  std::array<uint32_t, 51> base{};
  constexpr Slots() {
    for (unsigned i = 0, j = 0; i <= 50; i += 2) {
      extra[i] = static_cast<uint8_t>(j);
      if (i + 1 <= 50) extra[i + 1] = static_cast<uint8_t>(j);
      if (i != 0 && j < 17) ++j;
    }
    for (unsigned i = 0, j = 0; i <= 50; ++i) {
      base[i] = j;
      j += 1u << extra[i];
    }
  }
};
constexpr Slots kSlots;

}  // namespace

// Input read as little-endian 16-bit words, each from its highest bit down. Past the end of the
// input it reads zeros, so a decoder may look ahead; `overrun` tells when it went too far.
class LzxDecoder::Bits {
 public:
  explicit Bits(std::string_view in) : in_(reinterpret_cast<const uint8_t*>(in.data())), size_(in.size()) {}

  void ensure(int n) {
    while (count_ < n) {
      uint64_t word = 0;
      if (pos_ < size_) word = in_[pos_];
      if (pos_ + 1 < size_) word |= static_cast<uint64_t>(in_[pos_ + 1]) << 8;
      pos_ += 2;
      buffer_ |= word << (48 - count_);
      count_ += 16;
    }
  }
  uint32_t peek(int n) const { return n == 0 ? 0 : static_cast<uint32_t>(buffer_ >> (64 - n)); }
  void remove(int n) {
    buffer_ <<= n;
    count_ -= n;
  }
  uint32_t read(int n) {
    ensure(n);
    const uint32_t v = peek(n);
    remove(n);
    return v;
  }
  // Past the end by more than a look-ahead can explain.
  bool overrun() const { return pos_ > size_ + 8; }
  // Every bit taken lies inside the input.
  bool withinInput() const { return pos_ * 8 - static_cast<size_t>(count_) <= size_ * 8; }

  // Moves to the next 16-bit boundary for raw bytes: the bits left of the current word are
  // padding, a word fetched ahead is given back.
  void alignToBytes() {
    ensure(16);
    if (count_ > 16) pos_ -= 2;
    buffer_ = 0;
    count_ = 0;
  }
  void restart() {
    buffer_ = 0;
    count_ = 0;
  }
  void skip(size_t n) { pos_ += n; }
  bool rawAvailable(size_t n) const { return pos_ <= size_ && n <= size_ - pos_; }
  const uint8_t* raw() const { return in_ + pos_; }
  uint32_t rawLe32() {
    const uint8_t* p = in_ + pos_;
    pos_ += 4;
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
  }

 private:
  const uint8_t* in_;
  size_t size_;
  size_t pos_ = 0;
  uint64_t buffer_ = 0;
  int count_ = 0;
};

bool LzxDecoder::Code::build(const uint8_t* lengths, size_t count) {
  counts_.fill(0);
  bool anyLength = false;
  for (size_t s = 0; s < count; ++s) {
    if (lengths[s] == 0) continue;
    anyLength = true;
    if (lengths[s] <= 16) ++counts_[lengths[s]];
  }
  // Neither over-subscribed nor incomplete, unless no symbol has a code at all (then every
  // read gives symbol 0 and takes no bits, as the format's reference decoder does).
  int64_t left = 1;
  for (int len = 1; len <= 16; ++len) {
    left = left * 2 - counts_[len];
    if (left < 0) return false;
  }
  empty_ = left == (int64_t{1} << 16);
  if (empty_) return !anyLength;
  if (left != 0) return false;

  std::array<uint16_t, 18> offsets{};
  for (int len = 1; len <= 16; ++len) offsets[len + 1] = static_cast<uint16_t>(offsets[len] + counts_[len]);
  sorted_.assign(offsets[17], 0);
  for (size_t s = 0; s < count; ++s)
    if (lengths[s] != 0 && lengths[s] <= 16) sorted_[offsets[lengths[s]]++] = static_cast<uint16_t>(s);

  fast_.fill(kSlow);
  uint32_t code = 0;
  size_t index = 0;
  for (unsigned len = 1; len <= 16; ++len) {
    for (unsigned i = 0; i < counts_[len]; ++i, ++code, ++index) {
      if (len > kFastBits) continue;
      const uint32_t first = code << (kFastBits - len), last = (code + 1) << (kFastBits - len);
      for (uint32_t e = first; e < last; ++e) fast_[e] = static_cast<uint16_t>(sorted_[index] << 5 | len);
    }
    code <<= 1;
  }
  return true;
}

unsigned LzxDecoder::Code::decode(Bits& bits) const {
  if (empty_) return 0;
  bits.ensure(16);
  const uint32_t window = bits.peek(16);
  const uint16_t entry = fast_[window >> (16 - kFastBits)];
  if (entry != kSlow) {
    bits.remove(entry & 31);
    return entry >> 5;
  }
  // Codes longer than the fast table: walk the canonical code a bit at a time.
  uint32_t code = 0, first = 0, index = 0;
  for (int len = 1; len <= 16; ++len) {
    code |= (window >> (16 - len)) & 1;
    const uint32_t n = counts_[len];
    if (code - first < n) {
      bits.remove(len);
      return sorted_[index + code - first];
    }
    index += n;
    first = (first + n) << 1;
    code <<= 1;
  }
  return 0;  // unreachable for a complete code
}

LzxDecoder::LzxDecoder(unsigned windowBits) {
  if (windowBits < 15 || windowBits > 21) return;
  const unsigned slots = windowBits == 21 ? 50 : windowBits == 20 ? 42 : windowBits * 2;
  windowSize_ = 1u << windowBits;
  mainElements_ = kChars + slots * 8;
  window_.assign(windowSize_, 0);
  valid_ = true;
  reset();
}

void LzxDecoder::reset() {
  r0_ = r1_ = r2_ = 1;
  headerRead_ = false;
  framesRead_ = 0;
  blockType_ = 0;
  blockLength_ = blockRemaining_ = 0;
  intelCurPos_ = 0;
  intelStarted_ = false;
  windowPos_ = 0;
  mainLengths_.fill(0);
  lengthLengths_.fill(0);
}

bool LzxDecoder::readLengths(Bits& bits, uint8_t* lengths, size_t capacity, size_t first, size_t last) {
  std::array<uint8_t, 20> pre{};
  for (uint8_t& l : pre) l = static_cast<uint8_t>(bits.read(4));
  if (!pre_.build(pre.data(), pre.size())) return false;
  // Lengths are sent as changes to the previous block's, with runs of zeros and of repeats; a
  // run may reach past `last` into the room the table keeps for it, never further.
  auto delta = [&](size_t at, unsigned z) {
    int v = static_cast<int>(lengths[at]) - static_cast<int>(z);
    if (v < 0) v += 17;
    return static_cast<uint8_t>(v);
  };
  for (size_t x = first; x < last;) {
    const unsigned z = pre_.decode(bits);
    size_t run = 1;
    uint8_t value = 0;
    if (z == 17) {
      run = bits.read(4) + 4;
    } else if (z == 18) {
      run = bits.read(5) + 20;
    } else if (z == 19) {
      run = bits.read(1) + 4;
      value = delta(x, pre_.decode(bits));
    } else {
      value = delta(x, z);
    }
    if (run > capacity - x || bits.overrun()) return false;
    std::fill_n(lengths + x, run, value);
    x += run;
  }
  return true;
}

bool LzxDecoder::readBlockHeader(Bits& bits) {
  if (blockType_ == kUncompressed) {
    // A raw block of odd length is padded to a whole word.
    if (blockLength_ & 1) bits.skip(1);
    bits.restart();
  }
  blockType_ = static_cast<int>(bits.read(3));
  const uint32_t high = bits.read(16);
  blockLength_ = blockRemaining_ = high << 8 | bits.read(8);
  if (blockLength_ == 0) return false;
  switch (blockType_) {
    case kAligned:
      for (uint8_t& l : alignedLengths_) l = static_cast<uint8_t>(bits.read(3));
      if (!aligned_.build(alignedLengths_.data(), alignedLengths_.size())) return false;
      [[fallthrough]];
    case kVerbatim: {
      if (!readLengths(bits, mainLengths_.data(), mainLengths_.size(), 0, kChars) ||
          !readLengths(bits, mainLengths_.data(), mainLengths_.size(), kChars, mainElements_))
        return false;
      // A block of symbols needs at least one symbol: an empty code would make output from nothing.
      if (std::all_of(mainLengths_.begin(), mainLengths_.begin() + mainElements_, [](uint8_t l) { return l == 0; }))
        return false;
      if (!main_.build(mainLengths_.data(), mainElements_)) return false;
      if (mainLengths_[0xE8] != 0) intelStarted_ = true;
      if (!readLengths(bits, lengthLengths_.data(), lengthLengths_.size(), 0, kSecondaryLengths)) return false;
      return length_.build(lengthLengths_.data(), kSecondaryLengths);
    }
    case kUncompressed:
      intelStarted_ = true;
      bits.alignToBytes();
      if (!bits.rawAvailable(12)) return false;
      r0_ = bits.rawLe32();
      r1_ = bits.rawLe32();
      r2_ = bits.rawLe32();
      return true;
    default:
      return false;
  }
}

bool LzxDecoder::decodeRun(Bits& bits, int64_t& run) {
  const uint32_t mask = windowSize_ - 1;
  uint8_t* window = window_.data();
  if (blockType_ == kUncompressed) {
    const auto n = static_cast<size_t>(run);
    if (!bits.rawAvailable(n)) return false;
    std::memcpy(window + windowPos_, bits.raw(), n);
    bits.skip(n);
    windowPos_ += static_cast<uint32_t>(n);
    run = 0;
    return true;
  }
  while (run > 0) {
    unsigned symbol = main_.decode(bits);
    if (symbol < kChars) {
      window[windowPos_++] = static_cast<uint8_t>(symbol);
      --run;
    } else {
      symbol -= kChars;
      uint32_t length = symbol & kPrimaryLengths;
      if (length == kPrimaryLengths) length += length_.decode(bits);
      length += kMinMatch;
      uint32_t offset = symbol >> 3;
      if (offset > 2) {
        const unsigned extra = kSlots.extra[offset];
        const uint32_t base = kSlots.base[offset] - 2;
        if (blockType_ == kVerbatim) {
          offset = offset == 3 ? 1 : base + bits.read(static_cast<int>(extra));
        } else if (extra > 3) {
          offset = base + (bits.read(static_cast<int>(extra - 3)) << 3);
          offset += aligned_.decode(bits);
        } else if (extra == 3) {
          offset = base + aligned_.decode(bits);
        } else if (extra > 0) {
          offset = base + bits.read(static_cast<int>(extra));
        } else {
          offset = 1;
        }
        r2_ = r1_;
        r1_ = r0_;
        r0_ = offset;
      } else if (offset == 0) {
        offset = r0_;
      } else if (offset == 1) {
        offset = r1_;
        r1_ = r0_;
        r0_ = offset;
      } else {
        offset = r2_;
        r2_ = r0_;
        r0_ = offset;
      }
      // A match comes from inside the window and is written inside it; it may run past the
      // end of the current run (the caller checks how far).
      if (offset == 0 || offset > windowSize_ || length > windowSize_ - windowPos_) return false;
      uint32_t from = (windowPos_ - offset) & mask;
      for (uint32_t i = 0; i < length; ++i) {
        window[windowPos_++] = window[from];
        from = (from + 1) & mask;
      }
      run -= length;
    }
    if (bits.overrun()) return false;
  }
  return true;
}

// The compressor turns the targets of x86 CALL instructions (E8) into absolute positions;
// this turns them back.
void LzxDecoder::translateCalls(std::string& out) {
  if (framesRead_++ >= 32768 || intelFileSize_ == 0) return;
  const int32_t size = static_cast<int32_t>(out.size());
  int64_t curPos = intelCurPos_;
  intelCurPos_ = static_cast<int32_t>(curPos + size);
  if (size <= 6 || !intelStarted_) return;
  auto* data = reinterpret_cast<uint8_t*>(out.data());
  const uint8_t* end = data + size - 10;
  while (data < end) {
    if (*data++ != 0xE8) {
      ++curPos;
      continue;
    }
    const auto absolute = static_cast<int32_t>(data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24);
    if (absolute >= -curPos && absolute < intelFileSize_) {
      const int64_t relative = absolute >= 0 ? absolute - curPos : int64_t{absolute} + intelFileSize_;
      const auto r = static_cast<uint32_t>(relative);
      data[0] = static_cast<uint8_t>(r);
      data[1] = static_cast<uint8_t>(r >> 8);
      data[2] = static_cast<uint8_t>(r >> 16);
      data[3] = static_cast<uint8_t>(r >> 24);
    }
    data += 4;
    curPos += 5;
  }
}

bool LzxDecoder::decodeFrame(std::string_view in, size_t size, std::string& out) {
  if (!valid_ || size == 0 || size > kFrameSize) return false;
  Bits bits(in);
  if (!headerRead_) {
    uint32_t high = 0, low = 0;
    if (bits.read(1)) {
      high = bits.read(16);
      low = bits.read(16);
    }
    intelFileSize_ = static_cast<int32_t>(high << 16 | low);
    headerRead_ = true;
  }
  windowPos_ &= windowSize_ - 1;
  if (windowPos_ + kFrameSize > windowSize_) return false;
  const uint32_t start = windowPos_;
  // The stream always describes a whole frame, the last one too, though only `size` bytes of
  // the last are kept; compressors differ in what follows the data there, so a fault after
  // the bytes kept does not matter.
  const bool decoded = [&] {
    for (size_t togo = kFrameSize; togo > 0;) {
      if (blockRemaining_ == 0 && !readBlockHeader(bits)) return false;
      if (bits.overrun()) return false;
      const size_t run = std::min<size_t>(blockRemaining_, togo);
      togo -= run;
      blockRemaining_ -= static_cast<uint32_t>(run);
      int64_t left = static_cast<int64_t>(run);
      if (!decodeRun(bits, left)) return false;
      // A match may reach past the end of the frame, into the rest of its block, never past it.
      if (left < 0) {
        if (static_cast<uint64_t>(-left) > blockRemaining_) return false;
        blockRemaining_ -= static_cast<uint32_t>(-left);
      }
    }
    return bits.withinInput();
  }();
  if (!decoded && (size == kFrameSize || windowPos_ - start < size)) return false;
  out.assign(reinterpret_cast<const char*>(window_.data()) + start, size);
  translateCalls(out);
  return true;
}

}  // namespace lv8int::chm
