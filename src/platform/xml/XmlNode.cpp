#include "platform/xml/XmlNode.h"

#include <pugixml.hpp>

#include <exception>

#include "platform/automation/AutomationError.h"
#include "platform/xml/XmlParse.h"

namespace lv8int::xml {
namespace {

pugi::xml_node nodeOf(pugi::xml_node_struct* n) { return pugi::xml_node(n); }

[[noreturn]] void raiseXPath(const std::string& problem, StringView xpath) {
  raiseError(xmlerr::Failure, kDefaultErrorSource,
             fromUtf8(problem) + u" in the XPath expression '" + String(xpath) + u"'.");
}

pugi::xpath_node_set evaluate(pugi::xpath_node context, StringView xpath) {
  const std::string query = toXml(xpath);
  try {
    pugi::xpath_query compiled(query.c_str());
    if (!compiled) raiseXPath(compiled.result().description(), xpath);
    if (compiled.return_type() != pugi::xpath_type_node_set) raiseXPath("Expression does not select nodes", xpath);
    pugi::xpath_node_set found = compiled.evaluate_node_set(context);
    found.sort();
    return found;
  } catch (const pugi::xpath_exception& e) {
    raiseXPath(e.result().description(), xpath);
  } catch (const std::bad_alloc&) {
    raiseError(err::OutOfMemory);
  }
}

}  // namespace

XmlNodeType XmlNode::type() const {
  if (!node_) return XmlNodeType::None;
  if (attr_) return XmlNodeType::Attribute;
  switch (nodeOf(node_).type()) {
    case pugi::node_document:
      return XmlNodeType::Document;
    case pugi::node_element:
      return XmlNodeType::Element;
    case pugi::node_pcdata:
      return XmlNodeType::Text;
    case pugi::node_cdata:
      return XmlNodeType::CData;
    case pugi::node_comment:
      return XmlNodeType::Comment;
    case pugi::node_pi:
    case pugi::node_declaration:
      return XmlNodeType::ProcessingInstruction;
    case pugi::node_doctype:
      return XmlNodeType::DocumentType;
    default:
      return XmlNodeType::None;
  }
}

String XmlNode::name() const {
  switch (type()) {
    case XmlNodeType::Attribute:
      return fromXml(pugi::xml_attribute(attr_).name());
    case XmlNodeType::Element:
    case XmlNodeType::ProcessingInstruction:
      return fromXml(nodeOf(node_).name());
    case XmlNodeType::Text:
      return u"#text";
    case XmlNodeType::CData:
      return u"#cdata-section";
    case XmlNodeType::Comment:
      return u"#comment";
    case XmlNodeType::Document:
      return u"#document";
    case XmlNodeType::DocumentType:
      return u"#doctype";
    default:
      return {};
  }
}

String XmlNode::value() const {
  if (!node_) return {};
  if (attr_) return fromXml(pugi::xml_attribute(attr_).value());
  switch (type()) {
    case XmlNodeType::Text:
    case XmlNodeType::CData:
    case XmlNodeType::Comment:
    case XmlNodeType::ProcessingInstruction:
      return fromXml(nodeOf(node_).value());
    default:
      return {};
  }
}

String XmlNode::text() const {
  XmlNodeType t = type();
  if (t != XmlNodeType::Element && t != XmlNodeType::Document) return value();
  struct Collect : pugi::xml_tree_walker {
    std::string text;
    bool for_each(pugi::xml_node& n) override {
      if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) text += n.value();
      return true;
    }
  } collect;
  nodeOf(node_).traverse(collect);
  return fromUtf8(collect.text);
}

std::optional<String> XmlNode::attribute(StringView name) const {
  if (type() != XmlNodeType::Element) return std::nullopt;
  pugi::xml_attribute a = nodeOf(node_).attribute(toXml(name).c_str());
  if (!a) return std::nullopt;
  return fromXml(a.value());
}

Variant XmlNode::getAttribute(StringView name) const {
  std::optional<String> v = attribute(name);
  return v ? Variant(std::move(*v)) : Variant::null();
}

XmlNodeList XmlNode::childNodes() const {
  XmlNodeList out;
  if (!node_ || attr_) return out;
  for (pugi::xml_node c : nodeOf(node_).children()) out.push_back(XmlNode(doc_, c.internal_object()));
  return out;
}

XmlNode XmlNode::firstChild() const {
  if (!node_ || attr_) return {};
  pugi::xml_node c = nodeOf(node_).first_child();
  return c ? XmlNode(doc_, c.internal_object()) : XmlNode();
}

XmlNode XmlNode::nextSibling() const {
  if (!node_ || attr_) return {};
  pugi::xml_node s = nodeOf(node_).next_sibling();
  return s ? XmlNode(doc_, s.internal_object()) : XmlNode();
}

XmlNode XmlNode::parentNode() const {
  if (!node_) return {};
  if (attr_) return {};  // attributes have no parent in the object model
  pugi::xml_node p = nodeOf(node_).parent();
  return p ? XmlNode(doc_, p.internal_object()) : XmlNode();
}

XmlNodeList XmlNode::selectNodes(StringView xpath) const {
  if (!node_) raiseError(err::ObjectNotSet);
  pugi::xpath_node context = attr_ ? pugi::xpath_node(pugi::xml_attribute(attr_), nodeOf(node_))
                                   : pugi::xpath_node(nodeOf(node_));
  XmlNodeList out;
  for (const pugi::xpath_node& n : evaluate(context, xpath)) {
    if (n.attribute())
      out.push_back(XmlNode(doc_, n.parent().internal_object(), n.attribute().internal_object()));
    else
      out.push_back(XmlNode(doc_, n.node().internal_object()));
  }
  return out;
}

XmlNode XmlNode::selectSingleNode(StringView xpath) const {
  XmlNodeList all = selectNodes(xpath);
  return all.empty() ? XmlNode() : all.front();
}

}  // namespace lv8int::xml
