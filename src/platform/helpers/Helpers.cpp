#include "platform/helpers/Helpers.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/automation/AutomationError.h"
#include "platform/automation/Collection.h"
#include "platform/automation/Conversions.h"
#include "platform/components/ClassRegistration.h"

namespace lv8int::helpers {

namespace {

String hexDigits(uint32_t value) {
  String out;
  do {
    out.insert(out.begin(), u"0123456789ABCDEF"[value & 15]);
    value >>= 4;
  } while (value != 0);
  return out;
}

}  // namespace

String format(StringView pattern, const std::vector<Variant>& args) {
  String out;
  size_t next = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char16_t c = pattern[i];
    if (c == u'%' && i + 1 < pattern.size()) {
      char16_t k = pattern[i + 1];
      if (k == u'%') {
        out.push_back(u'%');
        ++i;
        continue;
      }
      if ((k == u's' || k == u'd') && next < args.size()) {
        const Variant& arg = args[next++];
        out += k == u's' ? CStr(arg) : toString(CLng(arg));
        ++i;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

String formatNumber(int32_t number, StringView prefix) {
  return String(prefix) + hexDigits(static_cast<uint32_t>(number));
}

String formatNumber(const Variant& number, StringView prefix) {
  const Variant& v = number.deref();
  if (!v.isArray()) {
    if (v.type() == VarType::Integer)
      return String(prefix) + hexDigits(static_cast<uint16_t>(static_cast<int16_t>(v.rawInteger())));
    if (v.type() == VarType::Byte) return String(prefix) + hexDigits(static_cast<uint8_t>(v.rawInteger()));
  }
  return formatNumber(CLng(v), prefix);
}

int32_t elementCount(const Variant& array) {
  if (!array.isArray()) raiseError(err::TypeMismatch);
  const SafeArray* a = array.arrayData();
  if (!a || a->dims() == 0 || a->size() == 0) return 0;
  return a->ubound(1) - a->lbound(1) + 1;
}

bool keyExists(const Ref<Object>& collection, StringView key) {
  if (!collection) raiseError(err::ObjectNotSet);
  if (auto* c = dynamic_cast<Collection*>(collection.get())) return c->hasKey(key);
  try {
    collection->get(u"Item", {Variant(key)});
    return true;
  } catch (const AutomationError&) {
    return false;
  }
}

String leftOfZero(StringView buffer) {
  size_t zero = buffer.find(u'\0');
  return String(zero == StringView::npos ? buffer : buffer.substr(0, zero));
}

String computerName() {
  if (const char* name = std::getenv("LV8INT_COMPUTERNAME"); name && *name) return fromUtf8(name);
  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) != 0 || !host[0]) return u"localhost";
  std::string_view h(host);
  return fromUtf8(h.substr(0, h.find('.')));
}

String appIDOfProgID(StringView progID) { return components::appIDOfProgID(progID); }

}  // namespace lv8int::helpers
