#pragma once
// What the user-interface services need to know about the process they run in.
#include "platform/automation/String.h"

namespace lv8int::ui {

// True when windows can be shown from this thread: a QApplication exists and this is its
// thread. Otherwise the services answer without showing anything.
bool canShowWidgets();

// The caption of a message box that was given none: the application's display name (the
// program's file name unless the host sets another), or the program's file name when no
// application exists.
String defaultCaption();

}  // namespace lv8int::ui
