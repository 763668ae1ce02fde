// The sample host's login window as a component plug-in.
#include "ApplicationLoginWindow.h"
#include "platform/components/PluginApi.h"

using lv8int::components::instance;

LV8_PLUGIN_CLASSES({u"LV8Demo.LoginWindow", u"{6C1D4B2E-8F3A-4E57-9B21-D4A0C7E5F310}", nullptr,
                    &instance<lv8demo::ApplicationLoginWindow>})
