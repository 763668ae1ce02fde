#include "resources/CIStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace lv8int {

CIStream::~CIStream() = default;

void CIStream::SetBuffer(std::string_view bytes) {
  buffer_.assign(reinterpret_cast<const uint8_t*>(bytes.data()),
                 reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size());
}

void CIStream::SetBuffer(const std::vector<uint8_t>& bytes) { buffer_ = bytes; }

HRESULT CIStream::Read(void* pv, uint32_t cb, uint32_t* pcbRead) {
  // Worked out in 64 bits: a position before the start, or one that position + cb would carry
  // past 32 bits, must not reach memory outside the buffer.
  uint64_t count = 0;
  if (position_ >= 0 && static_cast<uint64_t>(position_) < buffer_.size()) {
    count = std::min<uint64_t>(cb, buffer_.size() - static_cast<uint64_t>(position_));
    // The position stays a 32-bit number even over a buffer of more than 2 GB.
    count = std::min<uint64_t>(count, uint64_t(std::numeric_limits<int32_t>::max()) - uint64_t(position_));
    if (count > 0) std::memcpy(pv, buffer_.data() + position_, count);
    position_ += static_cast<int32_t>(count);
  }
  if (pcbRead) *pcbRead = static_cast<uint32_t>(count);
  return S_OK;
}

HRESULT CIStream::Write(const void*, uint32_t, uint32_t* pcbWritten) {
  // Read-only: nothing is written, and the caller's count says so.
  if (pcbWritten) *pcbWritten = 0;
  return S_OK;
}

HRESULT CIStream::Seek(int64_t dlibMove, uint32_t dwOrigin, uint64_t* plibNewPosition) {
  int64_t base;
  switch (dwOrigin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = position_; break;
    case STREAM_SEEK_END: base = static_cast<int64_t>(buffer_.size()); break;
    default: base = -1; break;
  }
  if (dwOrigin <= STREAM_SEEK_END) {
    // A target beyond the 32-bit position leaves the position where it was.
    bool overflow = (dlibMove > 0 && base > std::numeric_limits<int64_t>::max() - dlibMove) ||
                    (dlibMove < 0 && base < std::numeric_limits<int64_t>::min() - dlibMove);
    int64_t target = overflow ? 0 : base + dlibMove;
    if (!overflow && target >= std::numeric_limits<int32_t>::min() && target <= std::numeric_limits<int32_t>::max())
      position_ = static_cast<int32_t>(target);
  }
  if (plibNewPosition) *plibNewPosition = static_cast<uint64_t>(static_cast<int64_t>(position_));
  return S_OK;
}

HRESULT CIStream::SetSize(uint64_t) { return S_OK; }

HRESULT CIStream::CopyTo(IStream*, uint64_t, uint64_t* pcbRead, uint64_t* pcbWritten) {
  if (pcbRead) *pcbRead = 0;
  if (pcbWritten) *pcbWritten = 0;
  return S_OK;
}

HRESULT CIStream::Commit(uint32_t) { return S_OK; }
HRESULT CIStream::Revert() { return S_OK; }
HRESULT CIStream::LockRegion(uint64_t, uint64_t, uint32_t) { return S_OK; }
HRESULT CIStream::UnlockRegion(uint64_t, uint64_t, uint32_t) { return S_OK; }

HRESULT CIStream::Stat(STATSTG* pstatstg, uint32_t) {
  if (pstatstg) {
    *pstatstg = STATSTG{};
    pstatstg->type = STGTY_STREAM;
    pstatstg->cbSize = buffer_.size();
  }
  return S_OK;
}

HRESULT CIStream::Clone(Ref<IStream>* ppstm) {
  if (ppstm) *ppstm = nullptr;
  return S_OK;
}

}  // namespace lv8int
