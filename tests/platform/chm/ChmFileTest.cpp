#include "platform/chm/ChmFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace lv8int::chm {
namespace {

const std::string kSample = std::string(LV8_TEST_FIXTURES) + "/help/sample.chm";

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
