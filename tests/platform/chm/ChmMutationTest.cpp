// Damaged help files: a thousand seeded mutations of the sample file go through everything the
// help window does with a file (open, settings, contents and index, context map, pages) and
// must be refused or read within their bounds, never crash or hang.
#include <gtest/gtest.h>

#include <random>

#include "platform/chm/ChmFile.h"
#include "platform/chm/Sitemap.h"
#include "support/TempFolder.h"

namespace lv8int::chm {
namespace {

size_t countItems(const std::vector<SitemapItem>& items) {
  size_t n = items.size();
  for (const SitemapItem& item : items) n += countItems(item.children);
  return n;
}

// What the help window reads of a file; returns the number of pages read.
size_t readAll(const ChmFile& file) {
  if (std::optional<std::string> toc = file.read(file.contentsFile())) (void)countItems(parseSitemap(*toc));
  if (std::optional<std::string> index = file.read(file.indexFile())) (void)countItems(parseSitemap(*index));
  for (const auto& [id, page] : file.contextMap()) EXPECT_EQ(file.find(page), page) << id;
  (void)file.read(file.defaultTopic());
  size_t pages = 0;
  for (const std::string& entry : file.entries()) {
    std::optional<std::string> bytes = file.read(entry);
    if (!bytes) continue;
    EXPECT_LE(bytes->size(), ChmFile::kMaxEntrySize);
    ++pages;
  }
  return pages;
}

TEST(ChmMutationTest, SeededMutationsOfTheSampleAreRefusedOrReadWithinBounds) {
  const std::string original = test::readBytes(std::string(LV8_TEST_FIXTURES) + "/help/sample.chm");
  ASSERT_GT(original.size(), 10000u);
  std::mt19937 random(1);
  std::uniform_int_distribution<size_t> where(0, original.size() - 1);
  std::uniform_int_distribution<int> count(1, 8), value(0, 255);
  size_t opened = 0, refused = 0;
  for (int round = 0; round < 1000; ++round) {
    std::string damaged = original;
    for (int n = count(random); n > 0; --n) damaged[where(random)] = static_cast<char>(value(random));
    std::unique_ptr<ChmFile> file = ChmFile::fromBytes(damaged);
    if (!file) {
      ++refused;
      continue;
    }
    ++opened;
    SCOPED_TRACE(round);
    (void)readAll(*file);
  }
  // Most changes land in the content and leave the file readable; some break its structure.
  EXPECT_GT(opened, 500u);
  EXPECT_GT(refused, 0u);
}

}  // namespace
}  // namespace lv8int::chm
