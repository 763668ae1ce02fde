#pragma once
// Field: one field of a recordset. Value (the default member) is read from the record the
// recordset stands on at the time of the read, as the platform's fields are; 3021 when it
// stands on none.
#include "platform/recordset/Recordset.h"

namespace lv8int {

class Field : public Object {
 public:
  Field(Ref<Recordset> recordset, int32_t position) : recordset_(std::move(recordset)), position_(position) {}

  Variant Value() const;
  String Name() const;

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
  String typeName() const override { return u"Field"; }

 private:
  Ref<Recordset> recordset_;
  int32_t position_;
};

}  // namespace lv8int
