#pragma once
// Fields: the field collection of a recordset. Item (the default member) takes a position
// from 0 or a field name, compared without regard to case; 3265 for anything else.
#include "platform/recordset/Recordset.h"

namespace lv8int {

class Field;

class Fields : public Object {
 public:
  explicit Fields(Ref<Recordset> recordset) : recordset_(std::move(recordset)) {}

  int32_t Count() const;
  Ref<Field> Item(const Variant& index) const;

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
  String typeName() const override { return u"Fields"; }

 private:
  Ref<Recordset> recordset_;
};

}  // namespace lv8int
