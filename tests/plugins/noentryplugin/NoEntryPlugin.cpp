// A library that uses liblv8int but exports none of the plug-in entry points: the loader and
// the registration tool must not take liblv8int's entry points for its own.
#include "platform/automation/String.h"

extern "C" __attribute__((visibility("default"))) int noEntryPluginLength(const char* text) {
  return static_cast<int>(lv8int::fromUtf8(text).size());
}
