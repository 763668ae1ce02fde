#include "platform/chm/Sitemap.h"

#include <gtest/gtest.h>

#include "platform/automation/String.h"
#include "platform/codepage/AnsiCodePage.h"

namespace lv8int::chm {
namespace {

TEST(SitemapTest, NestsItemsByListsAndDecodesEntities) {
  const std::vector<SitemapItem> items = parseSitemap(R"(<HTML><BODY>
<!-- <LI><OBJECT type="text/sitemap"><param name="Name" value="commented out"></OBJECT> -->
<UL>
  <LI><OBJECT type="text/sitemap"><param name="Name" value="Book &amp; &#20013;&#x6587;"></OBJECT>
  <UL>
    <LI><object TYPE='TEXT/SITEMAP'><PARAM NAME=Name VALUE=Child><param name="Local" value="a/b.htm#x"></object>
    <UL><LI><OBJECT type="text/sitemap"><param name="Name" value="Grandchild"><param name="Local" value="c.htm"></OBJECT></UL>
  </UL>
  <LI><OBJECT type="text/sitemap"><param name="Local" value="d.htm"><param name="Name" value="Second"></OBJECT>
  <LI><OBJECT type="text/html"><param name="Name" value="not an item"></OBJECT>
</UL></BODY></HTML>)");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].name, "Book & \xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(items[0].local, "");
  ASSERT_EQ(items[0].children.size(), 1u);
  EXPECT_EQ(items[0].children[0].name, "Child");
  EXPECT_EQ(items[0].children[0].local, "a/b.htm#x");
  ASSERT_EQ(items[0].children[0].children.size(), 1u);
  EXPECT_EQ(items[0].children[0].children[0].local, "c.htm");
  EXPECT_EQ(items[1].name, "Second");  // parameters in either order
  EXPECT_EQ(items[1].local, "d.htm");
  EXPECT_TRUE(items[1].children.empty());
}

TEST(SitemapTest, ToleratesBrokenMarkupAndBoundsNesting) {
  // Unclosed lists, a tag cut off at the end, stray closing tags and bad entities.
  const std::vector<SitemapItem> items = parseSitemap(
      "</UL></UL><UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"a &bogus; &#xZZ; &#99999999999;\">"
      "</OBJECT><UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"b");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].name, "a &bogus; &#xZZ; \xEF\xBF\xBD");
  EXPECT_TRUE(items[0].children.empty());  // the cut-off item never closed

  std::string deep;
  for (int i = 0; i < 200; ++i) deep += "<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"x\"></OBJECT>";
  int depth = 0;
  const std::vector<SitemapItem> nested = parseSitemap(deep);
  const std::vector<SitemapItem>* level = &nested;
  size_t total = 0;
  while (!level->empty()) {
    ++depth;
    total += level->size();
    level = &level->back().children;
  }
  EXPECT_EQ(depth, kMaxSitemapDepth);
  EXPECT_EQ(total, 200u);  // nothing lost, the deepest level holds the rest
}

TEST(SitemapTest, ReadsTextInTheAnsiCodePage) {
  const std::string gbk = "\xD6\xD0\xCE\xC4";  // two characters, not UTF-8
  const std::vector<SitemapItem> items =
      parseSitemap("<UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"" + gbk + "\"></OBJECT></UL>");
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].name, toUtf8(codepage::fromAnsi(gbk)));
  EXPECT_EQ(toUtf8Text("plain \xE4\xB8\xAD"), "plain \xE4\xB8\xAD");
}

}  // namespace
}  // namespace lv8int::chm
