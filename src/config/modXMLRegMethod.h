#pragma once
// Reading and writing one configuration value by a slash-separated key path
// ("General/MDIChild/ViewToolText") in the user or the machine store.
#include "platform/automation/Variant.h"

namespace lv8int {
class CApplication;
class XMLRegistry;
}

namespace lv8int::modXMLRegMethod {

// The stored text, or `defaultValue` unchanged when the value is not there (never raises).
Variant GetConfigValue(const Ref<CApplication>& app, const String& keyPath, const Variant& defaultValue,
                       bool userStore);
// Writes the value as text, creating keys; with removeIfDefault and a value equal to the default,
// removes the stored value instead. Does not save the store.
void SetConfigValue(const Ref<CApplication>& app, const String& keyPath, const Variant& value,
                    const Variant& defaultValue, bool userStore, bool removeIfDefault);

// Library-internal: the same on a given store's registry (tools that hold a store without a
// logged-in application object).
Variant GetConfigValue(const Ref<XMLRegistry>& registry, const String& keyPath, const Variant& defaultValue);
void SetConfigValue(const Ref<XMLRegistry>& registry, const String& keyPath, const Variant& value,
                    const Variant& defaultValue, bool removeIfDefault);

}  // namespace lv8int::modXMLRegMethod
