// The demo's help: the help compiler of the build (demo/chmbuild) and the help file it makes,
// read back with the library's own reader.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <stdexcept>

#include "ChmWriter.h"
#include "HelpProject.h"
#include "platform/chm/ChmFile.h"
#include "platform/chm/Sitemap.h"
#include "support/TempFolder.h"

namespace {

using ::testing::HasSubstr;

using lv8demo::ChmWriter;
using lv8demo::HelpProject;
using lv8int::chm::ChmFile;

std::string pageOf(int k) { return "<html><body>page " + std::to_string(k) + std::string(k % 7 * 300, 'x') + "</body></html>"; }

// Enough entries with long names for several listing chunks, some in folders.
ChmWriter manyPages(std::set<std::string>& names) {
  ChmWriter w;
  for (int k = 0; k < 300; ++k) {
    std::string name = (k % 3 ? "/chapter" + std::to_string(k % 5) + "/" : "/") + "Topic_" + std::string(40, 'a' + k % 26) +
                       std::to_string(k) + ".htm";
    names.insert(name);
    w.add(name, pageOf(k));
  }
  w.add("Toc.hhc", "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"Top\"></object></ul>");
  names.insert("/Toc.hhc");
  w.setContentsFile("Toc.hhc");
  w.setDefaultTopic("chapter1\\Topic_" + std::string(40, 'b') + "1.htm");
  w.setTitle("Many pages");
  w.mapContext(1001, "chapter1/Topic_" + std::string(40, 'b') + "1.htm");
  w.mapContext(7, "Topic_" + std::string(40, 'a') + "0.htm");
  return w;
}

TEST(ChmWriter, EveryEntryReadsBackAcrossSeveralListingChunks) {
  std::set<std::string> names;
  const std::string image = manyPages(names).image();
  std::unique_ptr<ChmFile> file = ChmFile::fromBytes(image);
  ASSERT_TRUE(file);
  EXPECT_EQ(std::set<std::string>(file->entries().begin(), file->entries().end()), names);
  for (int k = 0; k < 300; ++k) {
    std::string name = (k % 3 ? "/chapter" + std::to_string(k % 5) + "/" : "/") + "Topic_" + std::string(40, 'a' + k % 26) +
                       std::to_string(k) + ".htm";
    EXPECT_EQ(file->read(name), pageOf(k)) << name;
  }
  // The directory needed more than one chunk: its length is a multiple of the chunk size.
  EXPECT_GT(image.size(), 3 * ChmWriter::kChunkSize);
  EXPECT_EQ(file->read("/toc.HHC"), file->read("/Toc.hhc")) << "names are found without regard to case";
}

TEST(ChmWriter, SettingsAndContextNumbersReachTheReader) {
  std::set<std::string> names;
  std::unique_ptr<ChmFile> file = ChmFile::fromBytes(manyPages(names).image());
  ASSERT_TRUE(file);
  EXPECT_EQ(file->title(), "Many pages");
  EXPECT_EQ(file->contentsFile(), "/Toc.hhc");
  EXPECT_EQ(file->defaultTopic(), "/chapter1/Topic_" + std::string(40, 'b') + "1.htm");
  const std::map<uint32_t, std::string> expected = {{7, "/Topic_" + std::string(40, 'a') + "0.htm"},
                                                    {1001, "/chapter1/Topic_" + std::string(40, 'b') + "1.htm"}};
  EXPECT_EQ(file->contextMap(), expected);
}

TEST(ChmWriter, AFileWithoutPagesStillOpens) {
  std::unique_ptr<ChmFile> file = ChmFile::fromBytes(ChmWriter().image());
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->entries().empty());
  EXPECT_TRUE(file->contextMap().empty());
}

TEST(HelpProject, FaultsNameTheFileAndWhatIsWrong) {
  struct Case {
    const char* project;
    const char* message;
  } cases[] = {
      {"[OPTIONS]\nTitle\n", ":2: an option needs a value"},
      {"[FILES]\na.htm\n[MAP]\n#define IDH_A ten\n", ":4: not a context number: ten"},
      {"[FILES]\na.htm\n[MAP]\n#define IDH_A\n", ":4: expected #define NAME number"},
      {"[FILES]\na.htm\n[MAP]\n#define IDH_A 10\n", "context IDH_A has no page in [ALIAS]"},
      {"[FILES]\na.htm\n[MAP]\n#define IDH_A 10\n[ALIAS]\nIDH_A=b.htm\n", "names b.htm, which is not in [FILES]"},
      {"[FILES]\na.htm\n[ALIAS]\nIDH_A\n", ":4: expected NAME=page"},
  };
  lv8int::test::TempFolder dir;
  for (const Case& c : cases) {
    dir.write("p.hhp", c.project);
    try {
      HelpProject project(dir.file("p.hhp"));
      ADD_FAILURE() << "accepted: " << c.project;
    } catch (const std::runtime_error& e) {
      EXPECT_THAT(std::string(e.what()), HasSubstr(c.message));
    }
  }
}

TEST(HelpProject, AMissingFileStopsTheBuild) {
  lv8int::test::TempFolder dir;
  dir.write("p.hhp", "[OPTIONS]\nContents file=toc.hhc\n[FILES]\na.htm\n");
  dir.write("a.htm", "<html></html>");
  ChmWriter writer;
  try {
    HelpProject(dir.file("p.hhp")).fill(writer);
    FAIL() << "the missing contents file was not noticed";
  } catch (const std::runtime_error& e) {
    EXPECT_THAT(std::string(e.what()), HasSubstr("toc.hhc"));
  }
}

TEST(HelpProject, ContextNumbersInDecimalOrHexAndNamesInAnyCase) {
  lv8int::test::TempFolder dir;
  dir.write("p.hhp", "[files]\nsub\\a.htm\n[MAP]\n#define IDH_A 0x10\n#define idh_b 20\n[ALIAS]\nidh_a=sub/a.htm\nIDH_B = sub\\a.htm\n");
  HelpProject project(dir.file("p.hhp"));
  EXPECT_EQ(project.contexts(), (std::map<uint32_t, std::string>{{16, "sub/a.htm"}, {20, "sub/a.htm"}}));
}

// The help file the build made for the demo host.
TEST(DemoHelpFile, EveryWindowTopicOpensAChinesePage) {
  std::unique_ptr<ChmFile> file = ChmFile::open(LV8_DEMO_HELP_FILE);
  ASSERT_TRUE(file) << LV8_DEMO_HELP_FILE;
  EXPECT_EQ(file->title(), "示例总账帮助");
  // The host's context numbers (demo/host/MainForm.cpp) and their pages.
  const std::map<uint32_t, std::string> pages = {{1101, "/voucher.htm"}, {1201, "/ledger.htm"}, {1203, "/periods.htm"},
                                                 {1301, "/cash.htm"},    {1401, "/config.htm"}};
  for (const auto& [id, page] : pages) {
    ASSERT_TRUE(file->contextMap().count(id)) << id;
    EXPECT_EQ(file->contextMap().at(id), page);
    std::optional<std::string> html = file->read(page);
    ASSERT_TRUE(html) << page;
    EXPECT_NE(html->find("charset=utf-8"), std::string::npos) << page;
  }
  std::vector<lv8int::chm::SitemapItem> toc = lv8int::chm::parseSitemap(*file->read(file->contentsFile()));
  ASSERT_FALSE(toc.empty());
  EXPECT_EQ(toc[0].name, "示例总账概述");
  EXPECT_FALSE(lv8int::chm::parseSitemap(*file->read(file->indexFile())).empty());
  // Every page the contents name is in the file.
  std::function<void(const std::vector<lv8int::chm::SitemapItem>&)> walk = [&](const auto& items) {
    for (const auto& item : items) {
      if (!item.local.empty()) {
        EXPECT_FALSE(file->find(item.local).empty()) << item.local;
      }
      walk(item.children);
    }
  };
  walk(toc);
}

}  // namespace
