#include "resources/CIStream.h"

#include <gtest/gtest.h>

#include <limits>

namespace lv8int {
namespace {

// A step of a stream session: a seek (origin, move) or a read (count), with what it gives.
struct Step {
  enum Kind { Read, Seek } kind;
  int64_t move;       // Seek: the move; Read: the count
  uint32_t origin;    // Seek only
  int64_t expected;   // Read: bytes read; Seek: the new position reported
  int firstByte = -1; // Read: the first byte read, when any
};

TEST(CIStream, ReadsAndSeeksOverA108ByteBuffer) {
  const Step steps[] = {
      {Step::Read, 8, 0, 8, 0},
      {Step::Read, 200, 0, 100, 8},
      {Step::Read, 10, 0, 0},
      {Step::Seek, 0, STREAM_SEEK_END, 108},
      {Step::Read, 10, 0, 0},
      {Step::Seek, -4, STREAM_SEEK_END, 104},
      {Step::Read, 10, 0, 4, 104},
      {Step::Seek, 8, STREAM_SEEK_SET, 8},
      {Step::Seek, 2, STREAM_SEEK_CUR, 10},
      {Step::Seek, 5, 7, 10},  // an unknown origin leaves the position
      // Before the start: nothing is read and the position stays where it is.
      {Step::Seek, -5, STREAM_SEEK_SET, -5},
      {Step::Read, 10, 0, 0},
      {Step::Seek, 0, STREAM_SEEK_CUR, -5},
      // Where position + count passes 32 bits, nothing is read either.
      {Step::Seek, std::numeric_limits<int32_t>::max() - 2, STREAM_SEEK_SET, std::numeric_limits<int32_t>::max() - 2},
      {Step::Read, 0xFFFFFFF0u, 0, 0},
      // A move past the 32-bit position is not made.
      {Step::Seek, 10, STREAM_SEEK_CUR, std::numeric_limits<int32_t>::max() - 2},
      {Step::Seek, std::numeric_limits<int64_t>::max(), STREAM_SEEK_END, std::numeric_limits<int32_t>::max() - 2},
      {Step::Seek, -5, STREAM_SEEK_SET, -5},
      {Step::Seek, std::numeric_limits<int64_t>::min(), STREAM_SEEK_CUR, -5},
      {Step::Seek, 100, STREAM_SEEK_SET, 100},
      {Step::Read, 0xFFFFFFFFu, 0, 8, 100},
  };
  std::vector<uint8_t> bytes(108);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  Ref<CIStream> s = make<CIStream>();
  s->SetBuffer(bytes);
  int n = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(++n);
    if (step.kind == Step::Read) {
      std::vector<uint8_t> out(256, 0xEE);
      uint32_t got = 12345;
      EXPECT_EQ(s->Read(out.data(), static_cast<uint32_t>(step.move), &got), S_OK);
      EXPECT_EQ(got, step.expected);
      if (step.firstByte >= 0) {
        EXPECT_EQ(out[0], step.firstByte);
      }
      EXPECT_EQ(out[got], 0xEE);  // nothing written past what was read
    } else {
      uint64_t pos = 0;
      EXPECT_EQ(s->Seek(step.move, step.origin, &pos), S_OK);
      EXPECT_EQ(static_cast<int64_t>(pos), step.expected);
    }
  }
}

TEST(CIStream, TheRestReportsSuccessAndChangesNothing) {
  Ref<CIStream> s = make<CIStream>();
  s->SetBuffer(std::string_view("abcdef"));
  uint64_t pos = 0;
  s->Seek(2, STREAM_SEEK_SET, &pos);
  // A new buffer keeps the position.
  s->SetBuffer(std::string_view("0123456789"));
  char c = 0;
  uint32_t got = 0;
  s->Read(&c, 1, &got);
  EXPECT_EQ(c, '2');

  STATSTG stat;
  stat.pwcsName = u"left over";
  stat.grfMode = 77;
  EXPECT_EQ(s->Stat(&stat, 0), S_OK);
  EXPECT_EQ(stat.cbSize, 10u);
  EXPECT_EQ(stat.type, STGTY_STREAM);
  EXPECT_EQ(stat.pwcsName, u"");
  EXPECT_EQ(stat.grfMode, 0u);

  uint32_t written = 99;
  EXPECT_EQ(s->Write("xy", 2, &written), S_OK);
  EXPECT_EQ(written, 0u);
  Ref<IStream> clone = s;
  EXPECT_EQ(s->Clone(&clone), S_OK);
  EXPECT_FALSE(clone);
  EXPECT_EQ(s->SetSize(0), S_OK);
  EXPECT_EQ(s->Commit(0), S_OK);
  EXPECT_EQ(s->Revert(), S_OK);
  EXPECT_EQ(s->LockRegion(0, 1, 0), S_OK);
  EXPECT_EQ(s->UnlockRegion(0, 1, 0), S_OK);
  s->Read(&c, 1, &got);
  EXPECT_EQ(c, '3');
  EXPECT_EQ(s->size(), 10u);
}

}  // namespace
}  // namespace lv8int
