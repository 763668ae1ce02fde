#pragma once
// Reading XML bytes and files into pugixml documents: the character set is taken from a
// byte-order mark or the XML declaration, and a failure is described by a negative error code,
// a reason naming the problem, and its line and column. Shared by the XML documents and the
// XML registry.
#include <pugixml.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/automation/String.h"
#include "platform/xml/XmlParseError.h"

namespace lv8int::xml {

// Parses `bytes` (UTF-8, UTF-16 with a byte-order mark, or the character set its declaration
// names). Whitespace-only text between elements is dropped; CDATA sections are kept as such.
// On failure the document is left empty and `error` filled.
// Without `attributesChecked`, elements are not looked at for an attribute named twice: for a
// caller that walks every element anyway and checks them itself (see below).
bool parseBytes(pugi::xml_document& doc, std::string_view bytes, XmlParseError& error, bool attributesChecked = true);

// parseBytes over `bytes` themselves where they are UTF-8 (no copy of a large document): the
// document then points into them, so they must outlive it, and the parser changes them. After a
// failure the description of its place may be wrong: parse an intact copy with parseBytes to
// learn where it is.
bool parseInPlace(pugi::xml_document& doc, std::string& bytes, XmlParseError& error, bool attributesChecked = true);

// Whether `element` has no two attributes of one name, and the same for every element at or
// below `node`.
bool uniqueAttributes(const pugi::xml_node& element);
bool uniqueAttributesBelow(const pugi::xml_node& node);
// The check parseBytes leaves out without `attributesChecked`, for `doc` parsed from `bytes`:
// false, with `error` filled as parseBytes fills it, for the first element in document order
// with two attributes of one name.
bool checkAttributes(const pugi::xml_document& doc, std::string_view bytes, XmlParseError& error);

// Reads the bytes of a document file; nothing, with `error` filled as parseFile does, when it
// cannot be read. `resolved`, when given, receives the path read or looked for (as
// files::resolve gives it).
std::optional<std::string> readDocument(StringView path, XmlParseError& error, String* resolved = nullptr);

// Reads the file (path resolved as files::resolve does, backslashes taken as separators) and
// parses it. A missing file gives xmlerr::FileNotFound.
bool parseFile(pugi::xml_document& doc, StringView path, XmlParseError& error);

// Text between UTF-8 (pugixml's) and automation text.
inline String fromXml(const char* s) { return fromUtf8(s ? std::string_view(s) : std::string_view()); }
inline std::string toXml(StringView s) { return toUtf8(s); }

}  // namespace lv8int::xml
