#pragma once
// Registration of liblv8int's own creatable classes (from the type description), with the
// library's file as their InprocServer32. The library also exports the plug-in entry points
// (LV8CreateObject, LV8RegisterServer, LV8UnregisterServer, LV8CanUnloadNow), so
// `lv8-regsvr liblv8int.so` registers it like any plug-in.
#include "platform/automation/String.h"

namespace lv8int::typelib {

// The absolute path of the file liblv8int was loaded from.
String libraryFile();

// Writes (removes) the registration of every creatable class of the type description, naming
// `modulePath` (empty: libraryFile()) as their server. Raises the registry's error.
void registerLibrary(StringView modulePath = {});
void unregisterLibrary(StringView modulePath = {});

}  // namespace lv8int::typelib
