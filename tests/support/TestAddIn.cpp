#include "support/TestAddIn.h"

#include "platform/automation/AutomationError.h"
#include "platform/helpers/Helpers.h"

namespace lv8int::test {

Variant TestAddIn::Execute(int32_t kind, const String& name, Variant& args) {
  calls_.push_back({kind, name, helpers::elementCount(args)});
  if (onExecute) onExecute(name);
  for (const String& key : {name, String()}) {
    auto it = failures_.find(key);
    if (it != failures_.end()) raiseError(it->second, u"TestAddIn", u"add-in failure for " + name);
  }
  if (name == u"CONNECTIONSTRING") return Variant(connectionString);
  return Variant();
}

std::string TestAddIn::names() const {
  std::string out;
  for (const Call& c : calls_) out += (out.empty() ? "" : ",") + toUtf8(c.name);
  return out;
}

}  // namespace lv8int::test
