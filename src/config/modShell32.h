#pragma once
// Starting a program and waiting for it with the user interface alive.
#include <cstdint>

#include "platform/automation/Variant.h"

namespace lv8int::modShell32 {

// Starts `Command` (a program path: no shell interprets it) with the window style (missing or
// outside 0..6: 6), closes its main window when its caption starts with "FINISHED", and returns
// its exit code once it has ended; a failed start returns the start error's number plus
// vbObjectError.
int32_t ShellAndWait(const String& Command, const Variant& WindowStyle = Variant::missing());

}  // namespace lv8int::modShell32
