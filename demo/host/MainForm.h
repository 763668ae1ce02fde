#pragma once
// The demo host's MDI main form: a Qt main window with an MDI area, handed to
// CApplication::Init. The library reaches it late-bound by name (SetConsole, Caption, Menu,
// SetStatusText); the menus follow the logged-in user's rights (CUserRight::HasRight).
#include <QString>
#include <map>
#include <memory>
#include <vector>

#include "platform/automation/Dispatch.h"
#include "platform/host/IMDIForm.h"

class QAction;
class QLabel;
class QMainWindow;
class QMdiArea;
class QMenu;

namespace lv8int {
class ToolbarControl;
}

namespace lv8demo {

class DemoChildForm;

class MainForm : public lv8int::IMDIForm {
 public:
  // A menu command: its right code ("" for every user) and the window or action it opens.
  struct Command {
    QString rightCode;
    QAction* action = nullptr;
  };

  MainForm();
  ~MainForm() override;

  // The form's own operations.
  void Show() override;
  void Hide() override;
  int32_t hwnd() override;

  // Reached by name from the library.
  lv8int::String Caption() const;
  void putCaption(const lv8int::String& caption);
  void SetConsole(const lv8int::Ref<lv8int::Object>& console) { console_ = console; }
  lv8int::Ref<lv8int::Object> Menu() const;
  void SetStatusText(const lv8int::Variant& panel, const lv8int::Variant& text);

  static const lv8int::DispatchTable* classDispatchTable();
  const lv8int::DispatchTable* dispatchTable() const override { return classDispatchTable(); }

  // The menus' texts from the resource stores (System/Resource/resource.ini); after Init.
  void loadTexts();

  // The host's own commands (menu items run them; the tour calls them too).
  // The configured login window, then the user's warnings; false when the user gave up.
  bool logIn();
  void logOut();   // closes every child window first
  // Opens (or brings forward) the child window of a menu command's key ("voucher", "periods",
  // "ledger", "cash", "config").
  DemoChildForm* openWindow(const QString& key);
  // Imports the sample vouchers in the console's progress window; the number imported, negative
  // when the user cancelled.
  int importVouchers();
  // Asks for the period after the last one (the 13th of the year) and shows the error in the
  // error box; returns the button the user closed it with.
  int32_t showLookupError();
  // The active child window's help topic, or the help's contents when none is active.
  void showHelp();

  QMainWindow* window() const { return window_.get(); }
  QMdiArea* area() const { return area_; }
  QAction* action(const QString& key) const;
  // The keys of the commands the current user sees, in menu order.
  QStringList visibleCommands() const;
  QString statusText() const;

 private:
  void buildMenus();
  QAction* addCommand(QMenu* menu, const QString& key, const QString& rightCode);
  void applyRights();
  void closeChildren();
  lv8int::Ref<DemoChildForm> makeWindow(const QString& key);

  std::unique_ptr<QMainWindow> window_;
  QMdiArea* area_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* user_ = nullptr;
  lv8int::Ref<lv8int::Object> console_;
  lv8int::Ref<lv8int::ToolbarControl> menu_;
  std::vector<std::pair<QString, Command>> commands_;
  std::vector<QMenu*> rightMenus_;
  std::vector<std::pair<QAction*, int32_t>> texts_;  // menu entries and their string numbers
  std::map<QString, lv8int::Ref<DemoChildForm>> children_;
};

}  // namespace lv8demo
