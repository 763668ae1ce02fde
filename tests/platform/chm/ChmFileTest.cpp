#include "platform/chm/ChmFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "support/TempFolder.h"

namespace lv8int::chm {
namespace {

const std::string kSample = std::string(LV8_TEST_FIXTURES) + "/help/sample.chm";
const std::string kLedgers = std::string(LV8_TEST_FIXTURES) + "/help/ledgers.chm";

// A page of ledgers.chm as help/ledgers/make writes it.
std::string ledgerPage(int k) {
  std::string page = "<html><head><title>Ledger " + std::to_string(k) + "</title></head><body>\n";
  for (int m = 0; m < 200; ++m)
    page += "<p>Ledger " + std::to_string(k) + " entry " + std::to_string(m) + ": amount " +
            std::to_string((k * 7919 + m * 104729) % 100000) + " posted.</p>\n";
  return page + "</body></html>\n";
}

std::string ledgerName(int k) { return (k < 10 ? "/p0" : "/p") + std::to_string(k) + ".htm"; }

void putLe32(std::string& bytes, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
}

std::string le32(uint32_t v) {
  std::string b(4, '\0');
  putLe32(b, 0, v);
  return b;
}

std::string le64(uint64_t v) { return le32(static_cast<uint32_t>(v)) + le32(static_cast<uint32_t>(v >> 32)); }

std::string encint(uint64_t v) {
  std::string b(1, static_cast<char>(v & 0x7F));
  while (v >>= 7) b.insert(b.begin(), static_cast<char>(0x80 | (v & 0x7F)));
  return b;
}

// LZX bits: 16-bit little-endian words filled from their highest bit.
struct BitWriter {
  std::string bytes;
  uint32_t word = 0;
  int used = 0;
  void put(uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) {
      word = word << 1 | ((value >> i) & 1);
      if (++used == 16) flush();
    }
  }
  void flush() {
    if (used == 0) return;
    word <<= 16 - used;
    bytes += static_cast<char>(word & 0xFF);
    bytes += static_cast<char>(word >> 8);
    word = 0;
    used = 0;
  }
};

// A compiled help file holding `/data.bin` of `length` bytes, compressed as `stream` in one
// frame with a 64 KB window.
std::string helpFileWith(const std::string& stream, uint64_t length) {
  const std::string control = le32(6) + "LZXC" + le32(2) + le32(2) + le32(2) + le32(1) + le32(0);
  const std::string reset = le32(2) + le32(1) + le32(8) + le32(0x28) + le64(length) + le64(stream.size()) + le64(0x8000) + le64(0);
  std::string content, chunk = "PMGL" + le32(0) + le32(0) + le32(0xFFFFFFFF) + le32(0xFFFFFFFF);
  auto add = [&](const std::string& name, int section, uint64_t offset, uint64_t size) {
    chunk += encint(name.size()) + name + encint(section) + encint(offset) + encint(size);
  };
  auto stored = [&](const std::string& name, const std::string& bytes) {
    add(name, 0, content.size(), bytes.size());
    content += bytes;
  };
  add("/data.bin", 1, 0, length);
  stored("::DataSpace/Storage/MSCompressed/Content", stream);
  stored("::DataSpace/Storage/MSCompressed/ControlData", control);
  stored("::DataSpace/Storage/MSCompressed/Transform/{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable", reset);
  const size_t free = 0x1000 - chunk.size();
  putLe32(chunk, 4, static_cast<uint32_t>(free));
  chunk.resize(0x1000, '\0');
  const std::string dir = "ITSP" + le32(1) + le32(0x54) + le32(10) + le32(0x1000) + le32(2) + le32(1) + le32(0xFFFFFFFF) + le32(0) +
                          le32(0) + le32(0xFFFFFFFF) + le32(1) + std::string(0x54 - 0x30, '\0') + chunk;
  const uint64_t dirAt = 0x60, contentAt = dirAt + dir.size();
  std::string header = "ITSF" + le32(3) + le32(0x60) + le32(1) + std::string(0x38 - 0x10, '\0');
  header += le64(0) + le64(0) + le64(dirAt) + le64(dir.size()) + le64(contentAt);
  return header + dir + content;
}

TEST(ChmFileTest, ReadsEntriesSettingsAndContextMap) {
  std::unique_ptr<ChmFile> file = ChmFile::open(kSample);
  ASSERT_TRUE(file);
  // The compiler adds a note of its own ("/_#_README_#_"), a normal file entry.
  const std::vector<std::string> expected{"/_#_README_#_", "/images/dot.png", "/index.hhk", "/intro.htm", "/ledger.htm", "/toc.hhc",
                                          "/vouchers.htm"};
  EXPECT_EQ(file->entries(), expected);  // internal entries and folders are not listed
  EXPECT_EQ(file->defaultTopic(), "/intro.htm");
  EXPECT_EQ(file->contentsFile(), "/toc.hhc");
  EXPECT_EQ(file->indexFile(), "/index.hhk");
  EXPECT_EQ(file->title(), "Sample Help");
  const std::map<uint32_t, std::string> map{{100, "/ledger.htm"}, {200, "/vouchers.htm"}};
  EXPECT_EQ(file->contextMap(), map);

  std::optional<std::string> page = file->read("intro.htm");
  ASSERT_TRUE(page);
  EXPECT_NE(page->find("<h1>Introduction</h1>"), std::string::npos);
  EXPECT_EQ(file->read("/INTRO.HTM"), page);  // names without regard to case
  std::optional<std::string> image = file->read("/images/dot.png");
  ASSERT_TRUE(image);
  EXPECT_EQ(image->substr(0, 4), "\x89PNG");
  EXPECT_FALSE(file->read("/missing.htm"));
}

TEST(ChmFileTest, ReadsEveryPageAcrossFramesAndResetPoints) {
  // 24 pages over 8 compressed frames with a reset point every second frame; read backwards
  // too, so that frames are asked for out of order.
  std::unique_ptr<ChmFile> file = ChmFile::open(kLedgers);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->title(), "Ledgers");
  for (int k = 24; k >= 1; --k) EXPECT_EQ(file->read(ledgerName(k)), ledgerPage(k)) << k;
  for (int k = 1; k <= 24; ++k) EXPECT_EQ(file->read(ledgerName(k)), ledgerPage(k)) << k;
  std::optional<std::string> toc = file->read(file->contentsFile());
  ASSERT_TRUE(toc);
  EXPECT_NE(toc->find("p24.htm"), std::string::npos);
}

TEST(ChmFileTest, ReadsBinaryEntriesCodedInAlignedBlocks) {
  std::string noise;
  for (uint32_t i = 0, x = 12345; i < 8000; ++i) {
    x = (x * 1103515245u + 12345u) & 0x7FFFFFFFu;
    noise += static_cast<char>((x >> 16) & 0xFF);
  }
  std::unique_ptr<ChmFile> file = ChmFile::open(std::string(LV8_TEST_FIXTURES) + "/help/noise.chm");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->read("/noise.bin"), noise);
  EXPECT_EQ(file->read(file->defaultTopic()), "<html><body>Noise</body></html>\n");
}

TEST(ChmFileTest, ReadsUncompressedBlocksAndRefusesAnEmptyCode) {
  // Two stored blocks, the first of odd length (padded to a whole word), each starting with
  // its header and the three repeated offsets.
  std::string data;
  for (int i = 0; i < 2000; ++i) data += static_cast<char>(i * 7 + i / 13);
  BitWriter w;
  w.put(0, 1);  // no call translation
  for (size_t n : {size_t{1001}, size_t{999}}) {
    w.put(3, 3);
    w.put(static_cast<uint32_t>(n >> 8), 16);
    w.put(n & 0xFF, 8);
    w.flush();
    w.bytes += le32(1) + le32(1) + le32(1);
    w.bytes += data.substr(n == 1001 ? 0 : 1001, n);
    if (n & 1) w.bytes += '\0';
  }
  std::unique_ptr<ChmFile> file = ChmFile::fromBytes(helpFileWith(w.bytes, data.size()));
  ASSERT_TRUE(file);
  EXPECT_EQ(file->read("/data.bin"), data);
  // A block that claims a stored length past its input does not read.
  std::string cut = w.bytes.substr(0, w.bytes.size() - 200);
  file = ChmFile::fromBytes(helpFileWith(cut, data.size()));
  ASSERT_TRUE(file);
  EXPECT_FALSE(file->read("/data.bin"));

  // A block of symbols whose code has no symbol at all would give output without input.
  BitWriter empty;
  empty.put(0, 1);
  empty.put(1, 3);
  empty.put(0x80, 16);
  empty.put(0, 8);
  for (int i = 0; i < 64; ++i) empty.put(0, 16);
  file = ChmFile::fromBytes(helpFileWith(empty.bytes, 0x8000));
  ASSERT_TRUE(file);
  EXPECT_FALSE(file->read("/data.bin"));
}

TEST(ChmFileTest, ADamagedFrameLosesOnlyThePagesUpToTheNextResetPoint) {
  // The compressed stream starts at 8904 in the file; its third frame at 8420 in the stream.
  // Frames 2 and 3 (pages 7 to 14) share a reset point; the rest must read exactly.
  std::string bytes = test::readBytes(kLedgers);
  ASSERT_EQ(bytes.size(), 35274u);
  for (size_t at = 8904 + 8420 + 40; at < 8904 + 8420 + 400; ++at) bytes[at] = static_cast<char>(at * 37);
  std::unique_ptr<ChmFile> file = ChmFile::fromBytes(bytes);
  ASSERT_TRUE(file);
  int lost = 0;
  for (int k = 1; k <= 24; ++k) {
    std::optional<std::string> page = file->read(ledgerName(k));
    if (k < 7 || k > 14)
      EXPECT_EQ(page, ledgerPage(k)) << k;
    else if (page != ledgerPage(k))
      ++lost;
  }
  EXPECT_GT(lost, 0);
}

TEST(ChmFileTest, RefusesFilesWhoseStructuresDoNotHoldTogether) {
  // Fields of the sample: the file header, the directory header at 120 and its first chunk at
  // 204, the compression control data at 8738 and the reset table at 8812.
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
  };
  const Case cases[] = {
      {"file version", 4, 4},
      {"directory length", 0x50, 0xFFFFFF00},
      {"content offset", 0x58, 0x7FFFFFFF},
      {"directory version", 120 + 4, 2},
      {"chunk size", 120 + 0x10, 0},
      {"chunk count", 120 + 0x2C, 0xFFFF},
      {"chunk free space", 204 + 4, 0xFFFF},
      {"first entry name length", 204 + 0x14, 0xFFFFFFFF},
      {"compression signature", 8738 + 4, 0x41414141},
      {"window size", 8738 + 0x10, 0},
      {"window size not a power of two", 8738 + 0x10, 3},
      {"reset interval", 8738 + 0xC, 0},
      {"windows per reset", 8738 + 0x14, 0},
      {"reset table entry size", 8812 + 8, 4},
      {"reset table offset", 8812 + 0xC, 0xFFFFFFF0},
      {"decoded length", 8812 + 0x14, 0x100},
      {"compressed length", 8812 + 0x18, 0x100000},
      {"frame length", 8812 + 0x20, 0},
      {"frame count", 8812 + 4, 0},
  };
  const std::string original = test::readBytes(kSample);
  ASSERT_TRUE(ChmFile::fromBytes(original));
  for (const Case& c : cases) {
    std::string bytes = original;
    putLe32(bytes, c.at, c.value);
    EXPECT_FALSE(ChmFile::fromBytes(bytes)) << c.what;
  }
}

TEST(ChmFileTest, FindsPageReferencesInTheirWrittenForms) {
  std::unique_ptr<ChmFile> file = ChmFile::open(kSample);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->find("ledger.htm"), "/ledger.htm");
  EXPECT_EQ(file->find("Ledger.HTM#balances"), "/ledger.htm");
  EXPECT_EQ(file->find("ms-its:sample.chm::/vouchers.htm"), "/vouchers.htm");
  EXPECT_EQ(file->find("images\\dot.png"), "/images/dot.png");
  EXPECT_EQ(file->find("C:/project/help/intro.htm"), "/intro.htm");  // compiled with the project folder
  EXPECT_EQ(file->find("missing.htm"), "");
  EXPECT_EQ(file->find(""), "");
  EXPECT_EQ(file->find("#top"), "");
}

TEST(ChmFileTest, RejectsOrSurvivesDamagedFiles) {
  EXPECT_FALSE(ChmFile::open(std::string(LV8_TEST_FIXTURES) + "/help/src/intro.htm"));
  EXPECT_FALSE(ChmFile::open("/nonexistent/file.chm"));
  EXPECT_FALSE(ChmFile::fromBytes(""));
  // A pipe in place of the file neither blocks nor opens.
  test::TempFolder dir;
  const std::string fifo = dir.file("help.chm");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
  EXPECT_FALSE(ChmFile::open(fifo));

  const std::string bytes = test::readBytes(kSample);
  ASSERT_GT(bytes.size(), 1000u);
  // Cut short: every entry still reads or fails, never more than it can hold. (Bytes changed
  // through the file are ChmMutationTest's.)
  for (size_t cut : {bytes.size() / 2, bytes.size() - 100, size_t{200}}) {
    std::unique_ptr<ChmFile> file = ChmFile::fromBytes(std::string_view(bytes).substr(0, cut));
    if (!file) continue;
    for (const std::string& e : file->entries()) (void)file->read(e);
  }
}

}  // namespace
}  // namespace lv8int::chm
