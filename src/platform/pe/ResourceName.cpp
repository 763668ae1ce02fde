#include "platform/pe/ResourceName.h"

namespace lv8int::pe {

ResourceName ResourceName::parse(StringView text) {
  if (text.size() >= 2 && text.size() <= 6 && text[0] == u'#') {
    uint32_t n = 0;
    bool digits = true;
    for (char16_t c : text.substr(1)) {
      if (c < u'0' || c > u'9') {
        digits = false;
        break;
      }
      n = n * 10 + (c - u'0');
    }
    if (digits && n <= 0xFFFF) return ResourceName(static_cast<uint16_t>(n));
  }
  return ResourceName(String(text));
}

bool ResourceName::matches(const ResourceName& other) const {
  if (isId_ != other.isId_) return false;
  return isId_ ? id_ == other.id_ : equalsNoCase(text_, other.text_);
}

String ResourceName::display() const { return isId_ ? u"#" + toString(id_) : text_; }

}  // namespace lv8int::pe
