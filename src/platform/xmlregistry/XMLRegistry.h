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
#include <memory>
#include <optional>

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
  // A failure raises (70, 61 or 75, naming the file) and leaves the old file as it was.
  // Saving to the file the registry was loaded from holds "<file>.lock" meanwhile; when another
  // process has written the file since, its content is read again and this process's own
  // changes since the load (values and default values set, values removed, keys created and
  // deleted) are applied on top: both keep their changes, and for one value changed by both the
  // later save wins. The registry then holds what was written.
  void Save(const String& file);
  Ref<XMLRegistryKey> RootKey() const { return root_; }

  // C++ side: the document text Save writes, and reading one from bytes.
  std::string toXml() const;
  bool loadXml(std::string_view bytes);
  // Why the last Load failed (errorCode 0 after a success, or for a foreign document).
  const xml::XmlParseError& lastError() const noexcept { return error_; }

  // The file the content came from, as it was then (a hash of its bytes; none when it did not
  // exist or could not be read): what Save compares the file with to tell whether another
  // process wrote it. Load sets it also when it fails; a store that falls back to its default
  // file sets it back to its own file as the failed load found it.
  struct Origin {
    String path;  // resolved
    std::optional<size_t> hash;
  };
  const std::optional<Origin>& origin() const noexcept { return origin_; }
  void setOrigin(std::optional<Origin> origin) { origin_ = std::move(origin); }

  const DispatchTable* dispatchTable() const override;

 private:
  // A parsed document (with the bytes it points into when it was parsed where it lay), which
  // loaded keys keep.
  struct Source;
  bool fill(const std::shared_ptr<const Source>& source, std::string_view bytes);

  Ref<XMLRegistryKey> root_;
  xml::XmlParseError error_;
  std::optional<Origin> origin_;
  mutable size_t sizeHint_ = 0;  // of the document last read or written
};

}  // namespace lv8int
