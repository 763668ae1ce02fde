#pragma once
// Finds component classes that no code in the process registered, through their registration
// in the registry (ProgID -> class identifier -> InprocServer32 plug-in), and creates them from
// the plug-in. Installed as ComponentRegistry's resolver when the library is loaded.
#include "platform/automation/ComponentRegistry.h"

namespace lv8int::components {

// A factory for the registered class named by `progID` or, when it is empty, `clsid`; none
// when the registry does not name a plug-in for it. The factory loads the plug-in on first use
// and raises 429 when the plug-in cannot be loaded or does not make the class.
ComponentFactory resolve(StringView progID, StringView clsid);

}  // namespace lv8int::components
