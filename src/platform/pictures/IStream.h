#pragma once
// The stream interface a picture loads its persisted form from: the members of the platform's
// stream interface, in its slot order. Not a dispatch interface.
#include <cstdint>

#include "platform/automation/Object.h"

namespace lv8int {

using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;

// Origins of Seek.
inline constexpr uint32_t STREAM_SEEK_SET = 0;
inline constexpr uint32_t STREAM_SEEK_CUR = 1;
inline constexpr uint32_t STREAM_SEEK_END = 2;

// Storage element types of STATSTG.type.
inline constexpr uint32_t STGTY_STREAM = 2;

struct STATSTG {
  String pwcsName;
  uint32_t type = 0;
  uint64_t cbSize = 0;
  uint64_t mtime = 0, ctime = 0, atime = 0;  // FILETIME values; 0 when unknown
  uint32_t grfMode = 0;
  uint32_t grfLocksSupported = 0;
  uint32_t grfStateBits = 0;
};

class IStream : public virtual Object {
 public:
  virtual HRESULT Read(void* pv, uint32_t cb, uint32_t* pcbRead) = 0;
  virtual HRESULT Write(const void* pv, uint32_t cb, uint32_t* pcbWritten) = 0;
  virtual HRESULT Seek(int64_t dlibMove, uint32_t dwOrigin, uint64_t* plibNewPosition) = 0;
  virtual HRESULT SetSize(uint64_t libNewSize) = 0;
  virtual HRESULT CopyTo(IStream* pstm, uint64_t cb, uint64_t* pcbRead, uint64_t* pcbWritten) = 0;
  virtual HRESULT Commit(uint32_t grfCommitFlags) = 0;
  virtual HRESULT Revert() = 0;
  virtual HRESULT LockRegion(uint64_t libOffset, uint64_t cb, uint32_t dwLockType) = 0;
  virtual HRESULT UnlockRegion(uint64_t libOffset, uint64_t cb, uint32_t dwLockType) = 0;
  virtual HRESULT Stat(STATSTG* pstatstg, uint32_t grfStatFlag) = 0;
  virtual HRESULT Clone(Ref<IStream>* ppstm) = 0;
};

}  // namespace lv8int
