#pragma once
// Library-internal helpers shared by the configuration classes: keeping a file the library
// could not read before anything replaces it, and loading / saving a store's XML registry.
#include "platform/automation/String.h"
#include "platform/xmlregistry/XMLRegistry.h"

namespace lv8int::configfiles {

// Source of the errors the configuration classes raise.
inline constexpr char16_t kSource[] = u"LV8INT";

// Copies `file` to `file` + ".bad", replacing an older copy. True when there was nothing to
// keep (no such file) or the copy was made; false when the file exists but could not be kept,
// or is a link someone else could have planted (see files::refuseLinksOfOthers).
bool keepAsBad(StringView file);

// Loads a store: its own file, else its default file. `ownFileUnreadable` is set when the own
// file exists but could not be loaded, so that the next save keeps it first (saveStore).
bool loadStore(XMLRegistry& registry, const String& fileName, const String& defaultFileName,
               bool& ownFileUnreadable);

// Saves a store to its own file (atomically). When the own file was found unreadable at the last
// load, it is kept as <name>.bad first; if that fails nothing is written and 75 is raised, so
// that the only copy of what the file held is never overwritten.
void saveStore(XMLRegistry& registry, const String& fileName, bool& ownFileUnreadable);

// The text upper-cased as automation's UCase does.
String upperCase(StringView text);

}  // namespace lv8int::configfiles
