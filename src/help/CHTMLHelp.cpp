#include "help/CHTMLHelp.h"

#include <algorithm>

#include "help/HelpWindow.h"
#include "platform/files/Files.h"
#include "platform/registry/ExpandEnvironment.h"
#include "platform/registry/IRegistry.h"
#include "platform/ui/IMessageBox.h"
#include "platform/ui/MessageBoxStyle.h"

namespace lv8int {

namespace {

constexpr char16_t kRegistrationKey[] = u"Software\\Microsoft\\Windows\\HTML Help";

// Both separators count on this platform: names come from Windows configurations as well.
bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool hasSeparator(const String& path) {
  return std::any_of(path.begin(), path.end(), isSeparator);
}

bool isHelpFileName(const String& name) {
  return name.size() >= 3 && equalsNoCase(StringView(name).substr(name.size() - 3), u"chm");
}

void showMessage(const String& text) {
  IMessageBox::current().show(text, msgbox::MB_OK | msgbox::MB_ICONEXCLAMATION, String(u"HTML Help Class"));
}

void showNotValid(const String& name) { showMessage(name + u" is not a valid HTML Help file."); }

// Shows the not-a-help-file message for a failing name; true when the name passes.
bool checkFileType(const String& name) {
  if (isHelpFileName(name)) return true;
  showNotValid(name);
  return false;
}

}  // namespace

void CHTMLHelp::HHDisplayContents(int32_t CallingForm) { display(HelpWindow::DisplayToc, 0, CallingForm); }
void CHTMLHelp::HHDisplayIndex(int32_t CallingForm) { display(HelpWindow::DisplayIndex, 0, CallingForm); }
void CHTMLHelp::HHDisplaySearch(int32_t CallingForm) { display(HelpWindow::DisplaySearch, 0, CallingForm); }
void CHTMLHelp::HHDisplayTopicID(int32_t CallingForm) { display(HelpWindow::HelpContext, topicID_, CallingForm); }

void CHTMLHelp::display(int32_t command, int32_t data, int32_t /*CallingForm: windows open without an owner*/) {
  // A failing step is passed over and the next one runs; the caller sees no error.
  bool typeOk = true;
  try {
    typeOk = checkFileType(chmFile_);
  } catch (...) {
  }
  if (!typeOk) return;
  bool exists = true;
  try {
    exists = EnsureFileExists(chmFile_);
  } catch (...) {
  }
  if (!exists) return;
  try {
    // The file test above matches names without regard to case; so does the opening. A file
    // that does not read as a compiled help file (damaged, cut short) gets the message of a
    // name of the wrong type.
    if (!HelpWindow::execute(files::resolve(files::fromWindowsPath(chmFile_)), command, data)) showNotValid(chmFile_);
  } catch (...) {
  }
}

void CHTMLHelp::HHClose() {
  try {
    HelpWindow::execute(String(), HelpWindow::CloseAll, 0);
  } catch (...) {
  }
}

bool CHTMLHelp::EnsureFileExists(String& FileToFind) {
  if (!hasSeparator(FileToFind)) {
    HHCheckRegistry(FileToFind);
    if (regFileName_.empty()) {
      FileToFind = files::libraryFolder() + FileToFind;
    } else {
      String folder = regFilePath_;
      if (folder.empty() || !isSeparator(folder.back())) folder += u'/';
      FileToFind = folder + regFileName_;
    }
  }
  if (files::fileExists(files::fromWindowsPath(FileToFind))) return true;
  showMessage(u"The file " + FileToFind + u" does not exist.\nPlease make sure the correct path and file name have been specified.");
  return false;
}

void CHTMLHelp::HHCheckRegistry(String& FileToCheck) {
  if (FileToCheck.empty()) return;
  if (!checkFileType(FileToCheck)) return;
  const auto last = std::find_if(FileToCheck.rbegin(), FileToCheck.rend(), isSeparator);
  const String name(last.base(), FileToCheck.end());

  regFileName_.clear();
  regFilePath_.clear();
  IRegistry& registry = IRegistry::current();
  reg::OpenedKey key(registry, reg::HKEY_LOCAL_MACHINE, kRegistrationKey);
  if (!key.ok()) return;
  reg::Value value;
  for (uint32_t index = 0; registry.enumValue(key.handle(), index, value) == reg::ERROR_SUCCESS; ++index) {
    if (value.type != reg::REG_SZ && value.type != reg::REG_EXPAND_SZ) continue;
    if (!equalsNoCase(value.name, name)) continue;
    regFileName_ = value.name;
    regFilePath_ = value.type == reg::REG_EXPAND_SZ ? reg::expandEnvironmentStrings(value.text()) : value.text();
    String folder = regFilePath_;
    if (folder.empty() || !isSeparator(folder.back())) folder += u'/';
    String registered = folder + regFileName_;
    EnsureFileExists(registered);
    return;
  }
}

}  // namespace lv8int
