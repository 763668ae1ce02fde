#include "platform/xmlregistry/XMLRegistry.h"

#include <pugixml.hpp>

#include <cstring>
#include <deque>
#include <functional>
#include <vector>

#include "platform/automation/ComponentRegistry.h"
#include "platform/files/FileLock.h"
#include "platform/files/Files.h"
#include "platform/xml/XmlParse.h"

namespace lv8int {
namespace {

constexpr char kRootElement[] = "registry";
constexpr char kFormat[] = "lv8int-registry";

// The document is written straight from the keys, byte for byte as pugixml writes the same
// tree with its default format and an indent of two spaces (files saved before keep their
// bytes when saved again).
class Writer {
 public:
  std::string out;

  // An attribute value in UTF-8, escaped as pugixml escapes it: &, <, " and the control
  // characters (as two-digit references). Half of a surrogate pair, which the keys refuse, would
  // become U+FFFD.
  void attribute(const char* name, StringView value) {
    out += ' ';
    out += name;
    out += "=\"";
    for (size_t i = 0; i < value.size(); ++i) {
      const uint32_t c = value[i];
      if (c < 0x80) {
        if (c >= 0x20 && c != '&' && c != '<' && c != '"') {
          out += static_cast<char>(c);
        } else if (c == '&') {
          out += "&amp;";
        } else if (c == '<') {
          out += "&lt;";
        } else if (c == '"') {
          out += "&quot;";
        } else {
          const char control[5] = {'&', '#', static_cast<char>('0' + c / 10), static_cast<char>('0' + c % 10), ';'};
          out.append(control, 5);
        }
      } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
      } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < value.size() && value[i + 1] >= 0xDC00 && value[i + 1] <= 0xDFFF) {
        const uint32_t cp = 0x10000 + ((c - 0xD800) << 10) + (value[++i] - 0xDC00);
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
      } else {
        const uint32_t cp = c >= 0xD800 && c <= 0xDFFF ? 0xFFFD : c;
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
      }
    }
    out += '"';
  }

  void indent(size_t depth) { out.append(depth * 2, ' '); }

  // Iterative, so that no depth of keys can exhaust the stack.
  void keyTree(const XMLRegistryKey& root) {
    struct Frame {
      const XMLRegistryKey* key;
      size_t next;  // the sub-key to write next
    };
    std::vector<Frame> stack;
    openKey(root, 0, true);
    if (!hasContent(root)) return;
    stack.push_back({&root, 0});
    while (!stack.empty()) {
      Frame& frame = stack.back();
      const auto& subs = frame.key->subKeys();
      if (frame.next < subs.size()) {
        const XMLRegistryKey& sub = *subs[frame.next++];
        const size_t depth = stack.size();
        openKey(sub, depth, false);
        if (hasContent(sub)) stack.push_back({&sub, 0});
        continue;
      }
      stack.pop_back();
      indent(stack.size());
      out += stack.empty() ? std::string("</") + kRootElement + ">\n" : std::string("</key>\n");
    }
  }

 private:
  static bool hasContent(const XMLRegistryKey& key) { return !key.values().empty() || !key.subKeys().empty(); }

  void openKey(const XMLRegistryKey& key, size_t depth, bool root) {
    indent(depth);
    if (root) {
      out += std::string("<") + kRootElement + " format=\"" + kFormat + "\" version=\"1\"";
    } else {
      out += "<key";
      attribute("name", key.Name());
    }
    if (!key.DefaultValue().empty()) attribute("default", key.DefaultValue());
    if (!hasContent(key)) {
      out += " />\n";
      return;
    }
    out += ">\n";
    for (const auto& value : key.values()) {
      indent(depth + 1);
      out += "<value";
      attribute("name", value->name());
      attribute("text", value->text());
      out += " />\n";
    }
  }
};

size_t hashOf(std::string_view bytes) { return std::hash<std::string_view>{}(bytes); }

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
        key->loadValue(std::move(name), xml::fromXml(child.attribute("text").value()));
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
  root_->markClean();
  return true;
}

bool XMLRegistry::Load(const String& file) {
  try {
    std::optional<std::string> bytes = xml::readDocument(file, error_);
    origin_ = Origin{files::resolve(files::fromWindowsPath(file)), bytes ? std::optional(hashOf(*bytes)) : std::nullopt};
    pugi::xml_document doc;
    if (bytes && xml::parseBytes(doc, *bytes, error_) && fill(doc)) return true;
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
    origin_.reset();
    if (xml::parseBytes(doc, bytes, error_) && fill(doc)) return true;
  } catch (const std::exception&) {
    error_.reason = u"The registry could not be read.";
  }
  root_->clear();
  return false;
}

std::string XMLRegistry::toXml() const {
  Writer writer;
  writer.out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  writer.keyTree(*root_);
  return std::move(writer.out);
}

void XMLRegistry::Save(const String& file) {
  const String target = files::fromWindowsPath(file);
  files::FileLock lock(target);
  const String resolved = files::resolve(target);
  if (origin_ && origin_->path == resolved) {
    std::optional<std::string> now = files::readFile(resolved);
    // A file that went away or no longer reads as a registry holds nothing to keep.
    if (now && hashOf(*now) != origin_->hash) {
      auto disk = make<XMLRegistry>();
      if (disk->loadXml(*now)) root_->absorb(*disk->root_);
    }
  }
  const std::string bytes = toXml();
  files::writeFileAtomically(target, bytes);
  root_->markClean();
  origin_ = Origin{files::resolve(target), hashOf(bytes)};
}

const DispatchTable* XMLRegistry::dispatchTable() const {
  static const DispatchTable table = DispatchBuilder<XMLRegistry>(u"XMLRegistry")
                                         .method(u"Load", &XMLRegistry::Load)
                                         .method(u"Save", &XMLRegistry::Save)
                                         .get(u"RootKey", &XMLRegistry::RootKey)
                                         .build();
  return &table;
}

}  // namespace lv8int
