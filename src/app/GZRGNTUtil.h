#pragma once
// GZRGNTUtil: the global class through which a host reaches the thread's shared application
// object; also the message box with the application's title.
#include <cstdint>

#include "platform/automation/Dispatch.h"

namespace lv8int {

class CApplication;

class GZRGNTUtil : public Object {
 public:
  // Creating an instance creates the thread's shared application object when there is none.
  GZRGNTUtil();

  Ref<CApplication> Application();
  // Message box with the style word `Buttons` (0: OK only); without a Title, the shared
  // application's Title. Returns the result code of the button chosen (1-7).
  int32_t MGB(const String& sText, const Variant& Buttons = Variant::missing(),
              const Variant& Title = Variant::missing(), const Variant& HelpFile = Variant::missing(),
              const Variant& Context = Variant::missing());
  void DebugOutputDic(const String& sText);

  // The thread's shared application object (created on first use).
  static Ref<CApplication> sharedApplication();
  // The thread's instance of the global class.
  static Ref<GZRGNTUtil> global();

  static const DispatchTable* classDispatchTable();
  const DispatchTable* dispatchTable() const override { return classDispatchTable(); }
};

}  // namespace lv8int
