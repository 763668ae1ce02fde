// XML documents: a document loads or reports a negative code with a placed reason; a loaded
// document can be walked, read and queried.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/automation/AutomationError.h"
#include "platform/xml/XmlDocument.h"

using namespace lv8int;
using namespace lv8int::xml;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  XmlDocument doc;
  if (!doc.loadXml(bytes)) {
    const XmlParseError& e = doc.parseError();
    if (e.errorCode >= 0 || e.reason.empty() || doc.documentElement()) std::abort();
    return 0;
  }
  XmlNode root = doc.documentElement();
  if (!root || root.type() != XmlNodeType::Element) std::abort();
  std::vector<XmlNode> pending{root};
  size_t visited = 0;
  while (!pending.empty() && visited < 100000) {
    XmlNode n = pending.back();
    pending.pop_back();
    ++visited;
    (void)n.name();
    (void)n.value();
    (void)n.getAttribute(u"name");
    for (const XmlNode& c : n.childNodes()) pending.push_back(c);
  }
  (void)root.text();
  for (StringView q : {u"//*", u"//@*", u"*[1]/text()", u"//*[@name='a']"}) (void)doc.selectNodes(q);
  // The document's own text as a query: errors must be reported, not crash.
  if (size < 256) {
    try {
      (void)root.selectNodes(fromUtf8(bytes));
    } catch (const AutomationError&) {
    }
  }
  return 0;
}
