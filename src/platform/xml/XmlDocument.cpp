#include "platform/xml/XmlDocument.h"

#include <pugixml.hpp>

#include "platform/xml/XmlParse.h"

namespace lv8int::xml {

XmlDocument::XmlDocument() : doc_(std::make_shared<pugi::xml_document>()) {}

// Each load parses into a fresh tree, so nodes handed out earlier keep the tree they came from.
bool XmlDocument::load(StringView path) {
  auto doc = std::make_shared<pugi::xml_document>();
  bool ok = parseFile(*doc, path, error_);
  doc_ = std::move(doc);
  return ok;
}

bool XmlDocument::loadXml(std::string_view bytes) {
  auto doc = std::make_shared<pugi::xml_document>();
  error_.url.clear();
  bool ok = parseBytes(*doc, bytes, error_);
  doc_ = std::move(doc);
  return ok;
}

XmlNode XmlDocument::documentElement() const {
  pugi::xml_node root = doc_->document_element();
  return root ? XmlNode(doc_, root.internal_object()) : XmlNode();
}

XmlNode XmlDocument::document() const { return XmlNode(doc_, doc_->internal_object()); }

}  // namespace lv8int::xml
