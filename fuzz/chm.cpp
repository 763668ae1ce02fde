// Compiled help files and their sitemaps: any bytes open or are refused, every entry reads
// within its bounds, and the sitemap parser survives any text.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/chm/ChmFile.h"
#include "platform/chm/Sitemap.h"

using namespace lv8int;

namespace {

size_t countItems(const std::vector<chm::SitemapItem>& items, int depth) {
  if (!items.empty() && depth > chm::kMaxSitemapDepth) std::abort();
  size_t n = items.size();
  for (const chm::SitemapItem& item : items) n += countItems(item.children, depth + 1);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  countItems(chm::parseSitemap(bytes), 1);
  (void)chm::decodeEntities(bytes);

  // What the help window does with a file: contents, index, default topic, context map and
  // every page (for searching).
  std::unique_ptr<chm::ChmFile> file = chm::ChmFile::fromBytes(bytes);
  if (!file) return 0;
  if (!file->contentsFile().empty())
    if (std::optional<std::string> toc = file->read(file->contentsFile())) countItems(chm::parseSitemap(*toc), 1);
  if (!file->indexFile().empty())
    if (std::optional<std::string> index = file->read(file->indexFile())) countItems(chm::parseSitemap(*index), 1);
  if (!file->defaultTopic().empty() && file->find(file->defaultTopic()).empty()) std::abort();
  (void)file->read(file->defaultTopic());
  for (const std::string& entry : file->entries()) {
    std::optional<std::string> content = file->read(entry);
    if (content && content->size() > chm::ChmFile::kMaxEntrySize) std::abort();
    if (file->find(entry) != entry) std::abort();
  }
  for (const auto& [id, page] : file->contextMap())
    if (file->find(page).empty()) std::abort();
  return 0;
}
