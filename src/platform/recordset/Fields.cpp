#include "platform/recordset/Fields.h"

#include "platform/recordset/Field.h"

namespace lv8int {

int32_t Fields::Count() const { return recordset_->fieldCount(); }

Ref<Field> Fields::Item(const Variant& index) const {
  // An object index stands for its default value, as in every collection.
  const Variant key = index.isObject() ? valueOf(index) : Variant(index.deref());
  return make<Field>(recordset_, recordset_->fieldPosition(key));
}

const DispatchTable* Fields::classDispatchTable() {
  static const DispatchTable table = DispatchBuilder<Fields>(u"Fields")
                                         .get(u"Count", &Fields::Count)
                                         .get(u"Item", &Fields::Item, {.id = DISPID_VALUE})
                                         .build();
  return &table;
}

}  // namespace lv8int
