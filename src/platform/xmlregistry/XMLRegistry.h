#pragma once
// XMLRegistry: a tree of keys and named text values kept in one XML file.
//
// File format (UTF-8):
//   <registry format="lv8int-registry" version="1" default="root default value">
//     <value name="Name" text="the text"/>
//     <key name="General" default="...">
//       <key name="MDIChild">
//         <value name="ViewToolText" text="1"/>
//       </key>
//     </key>
//   </registry>
// Values come before sub-keys, each in the order they were added. A document whose root
// element is not "registry" is not a registry file.
#include "platform/xml/XmlParseError.h"
#include "platform/xmlregistry/XMLRegistryKey.h"

namespace pugi {
class xml_document;
}

namespace lv8int {

class XMLRegistry : public Object {
 public:
  XMLRegistry() : root_(make<XMLRegistryKey>()) {}

  // Reads the file in place of the current content. A missing, unreadable, malformed or
  // foreign file gives False and an empty registry; nothing is raised.
  bool Load(const String& file);
  // Writes the registry atomically (temporary file, flush, rename), creating missing folders.
  // A failure raises (70, 61 or 75) and leaves the old file as it was.
  void Save(const String& file);
  Ref<XMLRegistryKey> RootKey() const { return root_; }

  // C++ side: the document text Save writes, and reading one from bytes.
  std::string toXml() const;
  bool loadXml(std::string_view bytes);
  // Why the last Load failed (errorCode 0 after a success, or for a foreign document).
  const xml::XmlParseError& lastError() const noexcept { return error_; }

  const DispatchTable* dispatchTable() const override;

 private:
  bool fill(const pugi::xml_document& doc);

  Ref<XMLRegistryKey> root_;
  xml::XmlParseError error_;
};

}  // namespace lv8int
