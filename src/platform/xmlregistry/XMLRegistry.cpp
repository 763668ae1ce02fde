#include "platform/xmlregistry/XMLRegistry.h"

#include <pugixml.hpp>

#include <cstring>
#include <deque>
#include <sstream>

#include "platform/automation/ComponentRegistry.h"
#include "platform/files/Files.h"
#include "platform/xml/XmlParse.h"

namespace lv8int {
namespace {

constexpr char kRootElement[] = "registry";
constexpr char kFormat[] = "lv8int-registry";

void writeKey(pugi::xml_node element, const XMLRegistryKey& key) {
  if (!key.DefaultValue().empty()) element.append_attribute("default").set_value(xml::toXml(key.DefaultValue()).c_str());
  for (const auto& value : key.values()) {
    pugi::xml_node v = element.append_child("value");
    v.append_attribute("name").set_value(xml::toXml(value->Name()).c_str());
    v.append_attribute("text").set_value(xml::toXml(value->text()).c_str());
  }
  for (const auto& sub : key.subKeys()) {
    pugi::xml_node k = element.append_child("key");
    k.append_attribute("name").set_value(xml::toXml(sub->Name()).c_str());
    writeKey(k, *sub);  // depth is bounded by XMLRegistryKey::kMaxDepth
  }
}

const bool registered = [] {
  ComponentRegistry::instance().registerClass(u"XMLRegistryLib.XMLRegistry", u"",
                                              [] { return Ref<Object>(make<XMLRegistry>()); });
  return true;
}();

}  // namespace

bool XMLRegistry::fill(const pugi::xml_document& doc) {
  pugi::xml_node rootElement = doc.document_element();
  if (!rootElement || std::strcmp(rootElement.name(), kRootElement) != 0) {
    error_.reason = u"The document is not a registry.";
    return false;
  }
  Ref<XMLRegistryKey> fresh = make<XMLRegistryKey>();
  // Breadth first without recursion, so that a deep document cannot exhaust the stack and
  // repeated elements of one key apply in document order.
  std::deque<std::pair<pugi::xml_node, Ref<XMLRegistryKey>>> pending{{rootElement, fresh}};
  while (!pending.empty()) {
    auto [element, key] = std::move(pending.front());
    pending.pop_front();
    if (pugi::xml_attribute d = element.attribute("default")) key->SetDefaultValue(xml::fromXml(d.value()));
    for (pugi::xml_node child : element.children()) {
      if (child.type() != pugi::node_element) continue;
      String name = xml::fromXml(child.attribute("name").value());
      if (name.empty()) continue;
      if (std::strcmp(child.name(), "value") == 0) {
        key->AddValue(name, xml::fromXml(child.attribute("text").value()));
      } else if (std::strcmp(child.name(), "key") == 0 && name.find(u'/') == String::npos) {
        if (key->depth() >= XMLRegistryKey::kMaxDepth) {
          error_.reason = u"The registry is nested too deeply.";
          return false;
        }
        pending.emplace_back(child, key->addSubKey(name));
      }
    }
  }
  root_->adopt(*fresh);
  return true;
}

bool XMLRegistry::Load(const String& file) {
  try {
    pugi::xml_document doc;
    if (xml::parseFile(doc, file, error_) && fill(doc)) return true;
  } catch (const std::exception&) {
    error_.reason = u"The registry could not be read.";
  }
  root_->clear();
  return false;
}

bool XMLRegistry::loadXml(std::string_view bytes) {
  try {
    pugi::xml_document doc;
    error_ = {};
    if (xml::parseBytes(doc, bytes, error_) && fill(doc)) return true;
  } catch (const std::exception&) {
    error_.reason = u"The registry could not be read.";
  }
  root_->clear();
  return false;
}

std::string XMLRegistry::toXml() const {
  pugi::xml_document doc;
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version").set_value("1.0");
  decl.append_attribute("encoding").set_value("UTF-8");
  pugi::xml_node root = doc.append_child(kRootElement);
  root.append_attribute("format").set_value(kFormat);
  root.append_attribute("version").set_value("1");
  writeKey(root, *root_);
  std::ostringstream out;
  doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
  return out.str();
}

void XMLRegistry::Save(const String& file) { files::writeFileAtomically(files::fromWindowsPath(file), toXml()); }

const DispatchTable* XMLRegistry::dispatchTable() const {
  static const DispatchTable table = DispatchBuilder<XMLRegistry>(u"XMLRegistry")
                                         .method(u"Load", &XMLRegistry::Load)
                                         .method(u"Save", &XMLRegistry::Save)
                                         .get(u"RootKey", &XMLRegistry::RootKey)
                                         .build();
  return &table;
}

}  // namespace lv8int
