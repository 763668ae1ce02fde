#pragma once
// An XML document read from a file or text: the document element, XPath selection,
// attributes, text and CDATA sections. A failed load leaves an empty document and says why in
// parseError(): a negative code (a missing file and text that is not well-formed differ) and a
// reason that names the problem with its line and column.
#include <memory>
#include <string_view>

#include "platform/xml/XmlNode.h"
#include "platform/xml/XmlParseError.h"

namespace lv8int::xml {

class XmlDocument {
 public:
  XmlDocument();

  // Loads a file (backslashes are separators; letter case of components as files::resolve).
  bool load(StringView path);
  // Loads a document from bytes (UTF-8, or as its declaration or byte-order mark says).
  bool loadXml(std::string_view bytes);

  const XmlParseError& parseError() const noexcept { return error_; }

  // The root element; no node when nothing is loaded.
  XmlNode documentElement() const;
  // The document node itself (type Document).
  XmlNode document() const;

  XmlNodeList selectNodes(StringView xpath) const { return document().selectNodes(xpath); }
  XmlNode selectSingleNode(StringView xpath) const { return document().selectSingleNode(xpath); }

 private:
  std::shared_ptr<pugi::xml_document> doc_;
  XmlParseError error_;
};

}  // namespace lv8int::xml
