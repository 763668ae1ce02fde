#include "platform/recordset/Field.h"

namespace lv8int {

Variant Field::Value() const { return recordset_->value(position_); }

String Field::Name() const { return recordset_->fieldName(position_); }

const DispatchTable* Field::classDispatchTable() {
  static const DispatchTable table = DispatchBuilder<Field>(u"Field")
                                         .get(u"Value", &Field::Value, {.id = DISPID_VALUE})
                                         .get(u"Name", &Field::Name)
                                         .build();
  return &table;
}

}  // namespace lv8int
