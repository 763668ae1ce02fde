#pragma once
// A node of an XmlDocument: element, attribute, text, CDATA section, comment, processing
// instruction or the document itself. A node keeps its document alive. A default-constructed
// node is "no node" (what a lookup that finds nothing returns).
#include <memory>
#include <optional>
#include <vector>

#include "platform/automation/String.h"
#include "platform/automation/Variant.h"

namespace pugi {
struct xml_node_struct;
struct xml_attribute_struct;
class xml_document;
}  // namespace pugi

namespace lv8int::xml {

// The node type numbers of the automation document object model.
enum class XmlNodeType : int32_t {
  None = 0,
  Element = 1,
  Attribute = 2,
  Text = 3,
  CData = 4,
  ProcessingInstruction = 7,
  Comment = 8,
  Document = 9,
  DocumentType = 10,
};

class XmlNode;
using XmlNodeList = std::vector<XmlNode>;

class XmlNode {
 public:
  XmlNode() = default;

  explicit operator bool() const noexcept { return node_ != nullptr; }
  bool isNull() const noexcept { return node_ == nullptr; }
  bool operator==(const XmlNode& o) const noexcept { return node_ == o.node_ && attr_ == o.attr_; }

  XmlNodeType type() const;
  // Element, attribute and instruction names; "#text", "#cdata-section", "#comment",
  // "#document" for the others; "" for no node.
  String name() const;
  // The text of an element or document (its text and CDATA descendants in document order);
  // the value of any other node.
  String text() const;
  // The value of an attribute, text, CDATA section, comment or instruction; "" otherwise.
  String value() const;

  // The attribute's value, or Null when the element has no such attribute (or this is no
  // element). Names are compared exactly, as XML does.
  Variant getAttribute(StringView name) const;
  std::optional<String> attribute(StringView name) const;

  XmlNodeList childNodes() const;
  XmlNode firstChild() const;
  XmlNode nextSibling() const;
  XmlNode parentNode() const;

  // XPath 1.0, relative to this node. An expression in error, or one that does not select
  // nodes, raises an AutomationError (number xmlerr::Failure) naming the problem.
  XmlNodeList selectNodes(StringView xpath) const;
  XmlNode selectSingleNode(StringView xpath) const;

 private:
  friend class XmlDocument;
  XmlNode(std::shared_ptr<const pugi::xml_document> doc, pugi::xml_node_struct* node,
          pugi::xml_attribute_struct* attr = nullptr)
      : doc_(std::move(doc)), node_(node), attr_(attr) {}

  std::shared_ptr<const pugi::xml_document> doc_;
  pugi::xml_node_struct* node_ = nullptr;  // the node, or an attribute's element
  pugi::xml_attribute_struct* attr_ = nullptr;
};

}  // namespace lv8int::xml
