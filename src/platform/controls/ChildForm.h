#pragma once
// A child form for Qt hosts: a widget that holds the controls placed on it (a toolbar at the
// top, a splitter filling the rest) and raises the events a child form raises, through
// IConnectable:
//   Deactivate()                      its window (or its MDI sub-window) stopped being active
//   Unload(Cancel As Integer)         it is closing; a non-zero Cancel keeps it open
//   KeyDown(KeyCode As Integer, Shift As Integer)
//       a key went down anywhere on the form, before the control that has the focus sees it;
//       Shift is 1 Shift + 2 Ctrl + 4 Alt; a KeyCode set to 0 swallows the key.
// A host that runs menu commands for shortcuts also implements IMenuTarget.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/automation/Collection.h"
#include "platform/automation/IConnectable.h"

class QWidget;

namespace lv8int {

class ChildForm : public IConnectable {
 public:
  explicit ChildForm(const String& caption = String());
  ~ChildForm() override;  // the controls lose their form; the widget goes

  String Caption() const;
  void put_Caption(const String& caption);
  // The controls in the order they were placed.
  Ref<Collection> Controls() const { return controls_; }
  int32_t hWnd() const;

  EventSource& events() override { return events_; }

  QWidget* widget() const;
  // Places a control's widget on the form: `fill` stretches it from its top to the bottom,
  // otherwise only its width follows the form. `formGone` runs when the form ends first.
  void place(const Ref<Object>& control, QWidget* w, bool fill, std::function<void()> formGone);
  // Lays the placed controls out again (after a control's top or height changed).
  void layoutControls();

  // Automation key code of a Qt key (letters and digits are their upper-case character codes),
  // or 0 for a key the automation codes do not name.
  static int16_t keyCodeOf(int qtKey);

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  class Widget;
  friend class Widget;
  struct Placed;

  // Raises KeyDown; true when a sink set the key code to 0.
  bool raiseKeyDown(int qtKey, int modifiers);
  bool raiseUnload();
  void raiseDeactivate();

  EventSource events_;
  Ref<Collection> controls_ = make<Collection>();
  std::vector<Placed> placed_;
  Widget* widget_ = nullptr;
};

}  // namespace lv8int
