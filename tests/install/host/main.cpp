// A minimal host: the application object reached by ProgID and called by member name, as a
// host written against the installed library does. Prints the sample password of kj01.
#include <QApplication>
#include <cstdio>

#include "platform/automation/AutomationError.h"
#include "platform/automation/ComponentRegistry.h"
#include "platform/automation/Conversions.h"

int main(int argc, char** argv) {
  using namespace lv8int;
  QApplication app(argc, argv);
  try {
    Ref<Object> util = ComponentRegistry::instance().create(u"LV8INT.GZRGNTUtil");
    Ref<Object> application = util->get(u"Application").rawObject();
    std::printf("%s\n", toUtf8(CStr(application->call(u"EncryptPWD", {Variant(u"1234")}))).c_str());
  } catch (const AutomationError& e) {
    std::fprintf(stderr, "error %d: %s\n", e.number(), toUtf8(e.description()).c_str());
    return 1;
  }
  return 0;
}
