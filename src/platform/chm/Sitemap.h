#pragma once
// The sitemap files of a compiled help file: the table of contents (.hhc) and the index
// (.hhk), HTML lists of <OBJECT type="text/sitemap"> items with "Name" and "Local" parameters,
// nested by <UL>. Read leniently: unknown markup is skipped, unclosed lists end with the text.
#include <string>
#include <string_view>
#include <vector>

namespace lv8int::chm {

struct SitemapItem {
  std::string name;   // UTF-8, entities decoded
  std::string local;  // the page reference as written ("" for a heading without a page)
  std::vector<SitemapItem> children;
};

// Nesting deeper than this is flattened into the deepest level.
inline constexpr int kMaxSitemapDepth = 32;

// The items of a sitemap file. `bytes` is UTF-8, or text in the ANSI code page when it is not.
std::vector<SitemapItem> parseSitemap(std::string_view bytes);

// Text in UTF-8: `bytes` as it is when it is UTF-8, else converted from the ANSI code page.
std::string toUtf8Text(std::string_view bytes);
// "&amp;", "&lt;", "&#20013;", "&#x4E2D;" ... decoded; unknown entities stay as written.
std::string decodeEntities(std::string_view text);

}  // namespace lv8int::chm
