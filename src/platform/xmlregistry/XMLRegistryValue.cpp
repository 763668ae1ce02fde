#include "platform/xmlregistry/XMLRegistryValue.h"

#include "platform/xmlregistry/XMLRegistryKey.h"

namespace lv8int {

XMLRegistryValue::XMLRegistryValue(String name, Ref<XMLRegistryKey> key)
    : name_(std::move(name)), pendingKey_(std::move(key)) {}

bool XMLRegistryValue::exists() const {
  if (!pendingKey_) return true;
  return static_cast<bool>(pendingKey_->findValue(name_));
}

String XMLRegistryValue::Value() const {
  if (!pendingKey_) return text_;
  // Someone may have added the value since this object was handed out.
  if (Ref<XMLRegistryValue> real = pendingKey_->findValue(name_)) return real->text();
  raiseError(err::InvalidProcedureCall, u"XMLRegistryValue", u"The value '" + name_ + u"' does not exist.");
}

void XMLRegistryValue::checkText(StringView text) {
  if (text.find(u'\0') != StringView::npos)
    raiseError(err::InvalidProcedureCall, u"XMLRegistry", u"A registry text may not contain the NUL character.");
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0xD800 || c > 0xDFFF) continue;
    if (c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    raiseError(err::InvalidProcedureCall, u"XMLRegistry",
               u"A registry text may not contain half of a surrogate pair (at position " +
                   fromUtf8(std::to_string(i + 1)) + u").");
  }
}

void XMLRegistryValue::SetValue(const String& text) {
  checkText(text);
  if (!pendingKey_) {
    text_ = text;
    return;
  }
  Ref<XMLRegistryKey> key = std::move(pendingKey_);
  if (Ref<XMLRegistryValue> real = key->findValue(name_)) {
    real->setText(text);
    pendingKey_ = std::move(key);  // still stands for whatever the key holds under the name
    return;
  }
  text_ = text;
  key->attachValue(Ref<XMLRegistryValue>(this));
}

const DispatchTable* XMLRegistryValue::dispatchTable() const {
  static const DispatchTable table = DispatchBuilder<XMLRegistryValue>(u"XMLRegistryValue")
                                         .get(u"Value", &XMLRegistryValue::Value, {.id = DISPID_VALUE})
                                         .put(u"Value", &XMLRegistryValue::SetValue, {.id = DISPID_VALUE})
                                         .get(u"Name", &XMLRegistryValue::Name)
                                         .build();
  return &table;
}

}  // namespace lv8int
