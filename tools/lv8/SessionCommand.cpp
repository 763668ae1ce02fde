// lv8 encrypt-pwd <password>: the text under which the suite stores that password.
// lv8 istr [<argument> ...]: an inner string composed from the arguments; whole numbers become
// resource sectors, anything else a normal sector.
#include <cstdio>
#include <string>

#include "Command.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/automation/Conversions.h"
#include "resources/GBackEnd.h"

namespace {

using namespace lv8int;
using lv8tool::CommandArgs;

int printResult(const String& text) {
  lv8tool::printLine(text);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int runEncryptPwd(const CommandArgs& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: lv8 encrypt-pwd <password>\n");
    return 2;
  }
  // Through the application object, as hosts reach it, so the tool prints exactly what the
  // library stores and the key lives in one place.
  Ref<Object> util = ComponentRegistry::instance().create(u"LV8INT.GZRGNTUtil");
  Variant app = util->get(u"Application");
  if (!app.isObject() || !app.rawObject()) raiseError(err::ObjectNotSet);
  return printResult(CStr(app.rawObject()->call(u"EncryptPWD", {Variant(fromUtf8(args[0]))})));
}

bool isWholeNumber(const std::string& s) {
  size_t i = (!s.empty() && s[0] == '-') ? 1 : 0;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

int runIStr(const CommandArgs& args) {
  Variant list = Variant::array(SafeArray(VarType::Variant, 0, static_cast<int32_t>(args.size()) - 1));
  SafeArray* items = list.arrayData();
  for (size_t i = 0; i < args.size(); ++i) {
    Variant text(fromUtf8(args[i]));
    // A number beyond a Long's range is no resource number: error 6, not a silent text sector.
    items->at(static_cast<int32_t>(i)) = isWholeNumber(args[i]) ? Variant(CLng(text)) : text;
  }
  return printResult(make<GBackEnd>()->IStrQuick(list));
}

const lv8tool::Command encryptReg("encrypt-pwd", "encrypt-pwd <password>  print the stored form of a password (48 digits)",
                                  runEncryptPwd);
const lv8tool::Command istrReg("istr", "istr [<argument> ...]   compose an inner string: numbers become resource sectors",
                               runIStr);

}  // namespace
