#include "app/CBaseInfo.h"

#include "typelib/Registration.h"

namespace lv8int {

CBaseInfo::CBaseInfo() : list_(make<Collection>()) {}

Variant CBaseInfo::Item(const Variant& index) { return list_->Item(index); }

void CBaseInfo::Add(const Variant& Value, const String& Key) { list_->Add(Value, Variant(Key)); }

void CBaseInfo::Remove(const Variant& index) {
  // Callers remove entries they may never have added; nothing about that is an error.
  try {
    list_->Remove(index);
  } catch (...) {
  }
}

// A new list rather than emptying the old one: an enumeration already under way keeps its items.
void CBaseInfo::Clear() { list_ = make<Collection>(); }

int32_t CBaseInfo::Count() const { return list_->Count(); }

Ref<Object> CBaseInfo::NewEnum() { return list_->NewEnum(); }

const DispatchTable* CBaseInfo::classDispatchTable() {
  static const DispatchTable table = DispatchBuilder<CBaseInfo>(u"CBaseInfo")
                                         .get(u"Item", &CBaseInfo::Item, {.id = DISPID_VALUE})
                                         .method(u"Add", &CBaseInfo::Add)
                                         .method(u"Remove", &CBaseInfo::Remove)
                                         .method(u"Clear", &CBaseInfo::Clear)
                                         .get(u"Count", &CBaseInfo::Count)
                                         .get(u"NewEnum", &CBaseInfo::NewEnum, {.id = DISPID_NEWENUM})
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(CBaseInfo, nullptr);

}  // namespace lv8int
