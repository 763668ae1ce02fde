#pragma once
// CIStream: a read-only stream over a byte buffer held in memory, through which a picture
// loads its persisted form.
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/pictures/IStream.h"

namespace lv8int {

class CIStream : public IStream {
 public:
  CIStream() = default;
  ~CIStream() override;

  // Library-internal: replaces the content with a copy of the bytes; the position stays.
  void SetBuffer(std::string_view bytes);
  void SetBuffer(const std::vector<uint8_t>& bytes);

  // A read copies what lies between the position and the end, at most cb bytes. A position
  // before the start reads nothing (and so does one past the end).
  HRESULT Read(void* pv, uint32_t cb, uint32_t* pcbRead) override;
  HRESULT Write(const void* pv, uint32_t cb, uint32_t* pcbWritten) override;
  // Origins 0 (start), 1 (current) and 2 (end); another origin leaves the position. The
  // position is a 32-bit signed number.
  HRESULT Seek(int64_t dlibMove, uint32_t dwOrigin, uint64_t* plibNewPosition) override;
  HRESULT SetSize(uint64_t libNewSize) override;
  HRESULT CopyTo(IStream* pstm, uint64_t cb, uint64_t* pcbRead, uint64_t* pcbWritten) override;
  HRESULT Commit(uint32_t grfCommitFlags) override;
  HRESULT Revert() override;
  HRESULT LockRegion(uint64_t libOffset, uint64_t cb, uint32_t dwLockType) override;
  HRESULT UnlockRegion(uint64_t libOffset, uint64_t cb, uint32_t dwLockType) override;
  // Fills in the size and the type (a stream); the other fields are cleared.
  HRESULT Stat(STATSTG* pstatstg, uint32_t grfStatFlag) override;
  // No stream: *ppstm becomes nothing.
  HRESULT Clone(Ref<IStream>* ppstm) override;

  int32_t position() const { return position_; }
  size_t size() const { return buffer_.size(); }

 private:
  int32_t position_ = 0;
  std::vector<uint8_t> buffer_;
};

}  // namespace lv8int
