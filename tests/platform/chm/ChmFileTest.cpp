#include "platform/chm/ChmFile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <sstream>

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

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
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

TEST(ChmFileTest, ADamagedFrameLosesOnlyThePagesUpToTheNextResetPoint) {
  // The compressed stream starts at 8904 in the file; its third frame at 8420 in the stream.
  // Frames 2 and 3 (pages 7 to 14) share a reset point; the rest must read exactly.
  std::string bytes = fileBytes(kLedgers);
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
  const std::string original = fileBytes(kSample);
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

  const std::string bytes = fileBytes(kSample);
  ASSERT_GT(bytes.size(), 1000u);
  // Cut short and with bytes flipped through the directory and the content: every entry still
  // reads or fails, never more than it can hold.
  for (size_t cut : {bytes.size() / 2, bytes.size() - 100, size_t{200}}) {
    std::unique_ptr<ChmFile> file = ChmFile::fromBytes(std::string_view(bytes).substr(0, cut));
    if (!file) continue;
    for (const std::string& e : file->entries()) (void)file->read(e);
  }
  for (size_t at = 0x60; at < bytes.size(); at += 97) {
    std::string damaged = bytes;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
    std::unique_ptr<ChmFile> file = ChmFile::fromBytes(damaged);
    if (!file) continue;
    for (const std::string& e : file->entries()) (void)file->read(e);
  }
}

}  // namespace
}  // namespace lv8int::chm
