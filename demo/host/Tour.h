#pragma once
// The scripted tour of the demo host: it drives the main form as a person would (filling the
// real login window, opening windows from the menus, clicking the view options, pressing a
// shortcut, closing the error box), prints each step, saves a picture of each step, and
// reports whether every step did what it should.
#include <QString>
#include <Qt>
#include <functional>

class QWidget;

namespace lv8demo {

class DemoChildForm;
class MainForm;

class Tour {
 public:
  Tour(MainForm& form, QString folder) : form_(form), folder_(std::move(folder)) {}
  // Runs every step; true when all passed. Each failed check is printed.
  bool run();

 private:
  // One step: runs `act`, then `check` (which prints why it fails), then saves the picture.
  void step(const QString& name, const std::function<void()>& act, const std::function<bool()>& check);
  // Logs in through the login window; `warnings` error boxes must follow it.
  bool logInAs(const QString& user, const QString& password, int warnings);
  void focusOn(DemoChildForm* child);
  // A key pressed and released on `target` (which has the focus).
  void pressKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers);
  bool toggleViewOption(const QString& toolName);
  bool expect(bool ok, const QString& what);
  // The main window with `dialog` (a modal window of its own) drawn where it stands over it.
  bool save(const QString& name, QWidget* dialog = nullptr);
  // Runs `handle` on the next modal window that shows, from the event loop of whoever opened it.
  void whenModal(std::function<void(QWidget*)> handle);

  MainForm& form_;
  QString folder_;
  int number_ = 0;
  int failures_ = 0;
};

// Lets the event loop run for `ms` milliseconds.
void pause(int ms);

}  // namespace lv8demo
