#include "config/ConfigFiles.h"

#include <QString>

#include "platform/automation/AutomationError.h"
#include "platform/files/Files.h"

namespace lv8int::configfiles {

bool keepAsBad(StringView file) {
  try {
    // A link someone else planted would have the file it names copied into their folder.
    files::refuseLinksOfOthers(file);
  } catch (const AutomationError&) {
    return false;
  }
  if (!files::fileExists(file)) return true;
  return files::copyFile(file, String(file) + u".bad");
}

bool loadStore(XMLRegistry& registry, const String& fileName, const String& defaultFileName,
               bool& ownFileUnreadable) {
  ownFileUnreadable = false;
  try {
    if (registry.Load(fileName)) return true;
    // A file that is not there is not unreadable (and needs no second look).
    ownFileUnreadable = registry.lastError().errorCode != xml::xmlerr::FileNotFound && files::fileExists(fileName);
    // The first save compares the own file with what this load found there, so that a file
    // another process made or mended meanwhile is merged with, not overwritten.
    std::optional<XMLRegistry::Origin> own = registry.origin();
    const bool loaded = registry.Load(defaultFileName);
    registry.setOrigin(std::move(own));
    return loaded;
  } catch (const AutomationError&) {
    return false;  // a failed load is not reported
  }
}

void saveStore(XMLRegistry& registry, const String& fileName, bool& ownFileUnreadable) {
  // Before the unreadable file is copied aside: a link someone else planted in its place could
  // otherwise have any file the process can read copied into their folder.
  files::refuseLinksOfOthers(fileName);
  if (ownFileUnreadable) {
    if (!keepAsBad(fileName))
      raiseError(err::PathFileAccess, kSource,
                 u"The unreadable file " + fileName + u" could not be kept as " + fileName +
                     u".bad; it was not overwritten.");
    ownFileUnreadable = false;
  }
  registry.Save(fileName);
}

String upperCase(StringView text) {
  return QString::fromStdU16String(String(text)).toUpper().toStdU16String();
}

}  // namespace lv8int::configfiles
