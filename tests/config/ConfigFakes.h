#pragma once
// Replacements of the user-interface services for the configuration tests, and a scope that
// points the shared application object at a configuration tree.
#include <functional>
#include <string>
#include <vector>

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "platform/ServiceScope.h"
#include "platform/automation/AutomationError.h"
#include "platform/ui/IBrowseFolderCallback.h"
#include "platform/ui/IFolderDialog.h"
#include "support/ConfigTree.h"
#include "support/RaisedError.h"
#include "support/RecordingMessageBox.h"

namespace lv8int::test {

// What the fakes were asked, in order.
using Journal = std::vector<std::string>;

// Notes in the journal that it was shown, and runs `onShow` after recording.
class FakeMessageBox : public RecordingMessageBox {
 public:
  explicit FakeMessageBox(Journal& journal) : journal_(journal) {}
  std::function<void()> onShow;

  int32_t show(const String& text, int32_t style, const std::optional<String>& caption) override {
    journal_.push_back("message box");
    const int32_t answered = RecordingMessageBox::show(text, style, caption);
    if (onShow) onShow();
    return answered;
  }

 private:
  Journal& journal_;
};

// A folder dialog that shows the callback each of `selections` in turn, then confirms the last
// one the callback accepted (or cancels when `cancel` is set or none was accepted).
class FakeFolderDialog : public IFolderDialog {
 public:
  explicit FakeFolderDialog(Journal& journal) : journal_(journal) {}
  std::vector<String> selections;
  bool cancel = false;

  String startFolder;
  int32_t options = -1;
  String prompt;
  struct Verdict {
    bool disableOK;
    String status;
  };
  std::vector<Verdict> verdicts;

  bool browseForFolder(String& folder, int32_t opts, IBrowseFolderCallback* callback, const String& text) override {
    journal_.push_back("folder dialog");
    startFolder = folder;
    options = opts;
    prompt = text;
    String accepted;
    bool any = false;
    for (const String& s : selections) {
      bool disable = false;
      String status;
      if (callback) callback->SelChanged(s, disable, status);
      verdicts.push_back({disable, status});
      if (!disable) accepted = s, any = true;
    }
    if (cancel || !any) return false;
    folder = accepted;
    return true;
  }

 private:
  Journal& journal_;
};

// The shared application object as a tool sets it up: the host program of `tree`, a user name
// and a computer name; put back to empty at the end of the scope.
class AppScope {
 public:
  explicit AppScope(const ConfigTree& tree, String user = {}, String computer = u"TESTPC")
      : app(GZRGNTUtil::sharedApplication()) {
    app->setFullPath(tree.hostPath());
    app->setCurrentUserName(user);
    app->setComputerName(computer);
  }
  ~AppScope() {
    app->setFullPath({});
    app->setCurrentUserName({});
    app->setComputerName({});
  }
  Ref<CApplication> app;
};

}  // namespace lv8int::test
