#pragma once
// A splitter control for Qt hosts: a QSplitter placed on a child form that fills the form from
// its Top (twips, read/write) to the bottom, with the panes the host adds. A toolbar manager
// finds it as the first control of type "Splitter" among the form's controls.
#include <cstdint>

#include "platform/automation/Dispatch.h"

class QSplitter;

namespace lv8int {

class ChildForm;

class SplitterControl : public Object {
 public:
  explicit SplitterControl(ChildForm& form);
  ~SplitterControl() override;

  int32_t Top() const;
  void put_Top(int32_t twips);
  int32_t Height() const;

  QSplitter* splitter() const;

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }

 private:
  ChildForm* form_;
  class Holder;
  Holder* holder_;
};

}  // namespace lv8int
