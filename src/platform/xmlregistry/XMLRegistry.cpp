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
    start(name);
    for (size_t i = 0; i < value.size(); ++i) {
      const uint32_t c = value[i];
      if (c < 0x80) {
        if (plain(c))
          out += static_cast<char>(c);
        else
          escape(c);
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

  // The same for UTF-8 text as the registry read it (valid, no NUL): runs of plain bytes are
  // copied whole.
  void attribute(const char* name, const char* value) {
    start(name);
    const char* run = value;
    for (const char* p = value;; ++p) {
      const auto c = static_cast<unsigned char>(*p);
      if (plain(c)) continue;
      out.append(run, static_cast<size_t>(p - run));
      run = p + 1;
      if (c == 0) break;
      escape(c);
    }
    out += '"';
  }

  void indent(size_t depth) { out.append(depth * 2, ' '); }

 private:
  void start(const char* name) {
    out += ' ';
    out += name;
    out += "=\"";
  }
  static bool plain(uint32_t c) { return c >= 0x20 && c != '&' && c != '<' && c != '"'; }
  void escape(uint32_t c) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '"') {
      out += "&quot;";
    } else {
      const char control[5] = {'&', '#', static_cast<char>('0' + c / 10), static_cast<char>('0' + c % 10), ';'};
      out.append(control, 5);
    }
  }

 public:

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
  static bool hasContent(const XMLRegistryKey& key) { return key.valueCount() != 0 || !key.subKeys().empty(); }

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
    for (const auto& slot : key.valueSlots()) {
      indent(depth + 1);
      out += "<value";
      if (slot.object) {
        attribute("name", slot.object->name());
        attribute("text", slot.object->text());
      } else {
        attribute("name", slot.name8);
        attribute("text", slot.text8);
      }
      out += " />\n";
    }
  }
};

// strcmp with a literal, inline: element and attribute names are compared for every value.
template <size_t N>
bool is(const char* text, const char (&literal)[N]) {
  for (size_t i = 0; i < N; ++i)
    if (text[i] != literal[i]) return false;
  return true;
}

// A hash of a file's bytes, to tell whether another process has written the file: four
// independent lanes of multiply and mix, so that a large file hashes at about memory speed
// (each step is a bijection of the lane's state, so one changed block always changes it).
size_t hashOf(std::string_view bytes) {
  const auto mix = [](uint64_t h, uint64_t v) {
    h = (h ^ v) * 0xFF51AFD7ED558CCDULL;
    return h ^ (h >> 32);
  };
  const auto word = [&](size_t at) {
    uint64_t v;
    std::memcpy(&v, bytes.data() + at, 8);
    return v;
  };
  uint64_t lane[4] = {0x9E3779B97F4A7C15ULL, 0xC2B2AE3D27D4EB4FULL, 0x165667B19E3779F9ULL, 0x27D4EB2F165667C5ULL};
  const size_t n = bytes.size();
  size_t i = 0;
  for (; i + 32 <= n; i += 32)
    for (size_t l = 0; l < 4; ++l) lane[l] = mix(lane[l], word(i + 8 * l));
  uint64_t h = n;
  for (uint64_t l : lane) h = mix(h, l);
  for (; i + 8 <= n; i += 8) h = mix(h, word(i));
  uint64_t rest = 0;
  if (n > i) std::memcpy(&rest, bytes.data() + i, n - i);
  h = mix(h, rest ^ (n - i));
  h = (h ^ (h >> 33)) * 0xC4CEB9FE1A85EC53ULL;
  return static_cast<size_t>(h ^ (h >> 33));
}

const bool registered = [] {
  ComponentRegistry::instance().registerClass(u"XMLRegistryLib.XMLRegistry", u"",
                                              [] { return Ref<Object>(make<XMLRegistry>()); });
  return true;
}();

}  // namespace

struct XMLRegistry::Source {
  std::string bytes;
  pugi::xml_document doc;
};

bool XMLRegistry::fill(const std::shared_ptr<const Source>& source, std::string_view bytes) {
  const pugi::xml_document* doc = &source->doc;
  // parseBytes left the look for attributes named twice to this walk, which sees every element
  // anyway; on any failure the whole document is looked at so that such an attribute is
  // reported as parseBytes would report it.
  auto refuse = [&](const char16_t* reason) {
    if (xml::checkAttributes(*doc, bytes, error_)) error_.reason = reason;
    return false;
  };
  pugi::xml_node rootElement = doc->document_element();
  if (!rootElement || !is(rootElement.name(), kRootElement)) return refuse(u"The document is not a registry.");
  if (!xml::uniqueAttributes(rootElement)) return refuse(u"The registry could not be read.");
  Ref<XMLRegistryKey> fresh = make<XMLRegistryKey>();
  // Breadth first without recursion, so that a deep document cannot exhaust the stack and
  // repeated elements of one key apply in document order. Values stay in the document, which
  // every key that holds some keeps.
  std::deque<std::pair<pugi::xml_node, Ref<XMLRegistryKey>>> pending{{rootElement, fresh}};
  std::vector<XMLRegistryKey::ValueSlot> values;
  while (!pending.empty()) {
    auto [element, key] = std::move(pending.front());
    pending.pop_front();
    if (pugi::xml_attribute d = element.attribute("default")) key->loadDefault(xml::fromXml(d.value()));
    values.clear();
    // No node is of type null and no attribute has an empty name: the ends of the lists are
    // told from those without one more call each (there are a few calls per value).
    for (pugi::xml_node child = element.first_child();; child = child.next_sibling()) {
      const pugi::xml_node_type type = child.type();
      if (type == pugi::node_null) break;
      if (type != pugi::node_element) continue;
      const char *name = "", *text = "", *first = nullptr;
      int attributes = 0;
      bool repeated = false;
      for (pugi::xml_attribute a = child.first_attribute();; a = a.next_attribute()) {
        const char* attribute = a.name();
        if (*attribute == 0) break;
        if (++attributes == 1) {
          first = attribute;
        } else if (attributes == 2) {
          repeated = *first == *attribute && std::strcmp(first, attribute) == 0;
        }
        if (is(attribute, "name") && *name == 0)
          name = a.value();
        else if (is(attribute, "text") && *text == 0)
          text = a.value();
      }
      if (attributes > 2) repeated = !xml::uniqueAttributes(child);
      const char* tag = child.name();
      const bool descend = *name != 0 && is(tag, "key") && std::strchr(name, '/') == nullptr;
      if (!descend && child.first_child() && !xml::uniqueAttributesBelow(child)) repeated = true;
      if (repeated) return refuse(u"The registry could not be read.");
      if (*name == 0) continue;
      if (is(tag, "value")) {
        values.push_back({name, text, nullptr, 0});
      } else if (descend) {
        if (key->depth() >= XMLRegistryKey::kMaxDepth) return refuse(u"The registry is nested too deeply.");
        pending.emplace_back(child, key->loadSubKey(xml::fromXml(name)));
      }
    }
    if (!values.empty()) key->loadValues(values, source);
  }
  root_->adopt(*fresh);
  return true;
}

bool XMLRegistry::Load(const String& file) {
  // The file's bytes are parsed where they lie and the values point into them. A file that
  // fails is read again and parsed from an intact copy: the parser has changed the bytes, and
  // the description of the failure needs them as they were.
  for (const bool inPlace : {true, false}) {
    try {
      String resolved;
      std::optional<std::string> bytes = xml::readDocument(file, error_, &resolved);
      origin_ = Origin{std::move(resolved), bytes ? std::optional(hashOf(*bytes)) : std::nullopt};
      if (!bytes) break;
      sizeHint_ = bytes->size();
      auto source = std::make_shared<Source>();
      if (inPlace) {
        source->bytes = std::move(*bytes);
        if (xml::parseInPlace(source->doc, source->bytes, error_, false) && fill(source, source->bytes)) return true;
      } else if (xml::parseBytes(source->doc, *bytes, error_, false) && fill(source, *bytes)) {
        return true;
      } else {
        break;
      }
    } catch (const std::exception&) {
      error_.reason = u"The registry could not be read.";
      break;
    }
  }
  root_->clear();
  return false;
}

bool XMLRegistry::loadXml(std::string_view bytes) {
  try {
    auto source = std::make_shared<Source>();
    error_ = {};
    origin_.reset();
    sizeHint_ = bytes.size();
    if (xml::parseBytes(source->doc, bytes, error_, false) && fill(source, bytes)) return true;
  } catch (const std::exception&) {
    error_.reason = u"The registry could not be read.";
  }
  root_->clear();
  return false;
}

std::string XMLRegistry::toXml() const {
  Writer writer;
  // About the size of the document read or written last: a large store is not copied over and
  // over as the text grows.
  writer.out.reserve(sizeHint_ + sizeHint_ / 8 + 256);
  writer.out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  writer.keyTree(*root_);
  sizeHint_ = writer.out.size();
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
