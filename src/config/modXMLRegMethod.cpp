#include "config/modXMLRegMethod.h"

#include "app/CApplication.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Conversions.h"
#include "platform/xmlregistry/XMLRegistry.h"
#include "platform/xmlregistry/XMLRegistryValues.h"

namespace lv8int::modXMLRegMethod {

namespace {

struct KeyPath {
  String key;   // "" is the root key
  String name;  // "" is the key's default value
};

// Spaces at both ends are ignored; the last "/" splits the key path from the value name.
KeyPath split(const String& text) {
  size_t first = text.find_first_not_of(u' ');
  size_t last = text.find_last_not_of(u' ');
  const String trimmed = first == String::npos ? String() : text.substr(first, last - first + 1);
  const size_t slash = trimmed.rfind(u'/');
  if (slash == String::npos) return {String(), trimmed};
  return {trimmed.substr(0, slash), trimmed.substr(slash + 1)};
}

struct Lookup {
  Ref<XMLRegistryKey> key;
  Ref<XMLRegistryValue> value;  // set only for a named value that exists
  bool found = false;
  String text;
};

// Finds the key and the value without creating anything; any error means "not there".
Lookup find(const Ref<XMLRegistry>& registry, const KeyPath& path) {
  Lookup out;
  try {
    Ref<XMLRegistryKey> root = registry->RootKey();
    out.key = path.key.empty() ? root : root->OpenKey(path.key, false);
    if (!out.key) return out;
    if (path.name.empty()) {
      out.text = out.key->DefaultValue();
      out.found = !out.text.empty();  // an empty default value counts as not there
      return out;
    }
    Ref<XMLRegistryValue> value = out.key->Values()->Item(Variant(path.name));
    if (!value) return out;
    out.text = value->Value();  // a value not held by the key raises here
    out.value = value;
    out.found = true;
  } catch (const AutomationError&) {
  }
  return out;
}

// Both Empty, or both not Empty and equal as automation compares them (False equals 0).
bool sameAsDefault(const Variant& value, const Variant& defaultValue) {
  const bool valueEmpty = value.isEmpty();
  const bool defaultEmpty = defaultValue.isEmpty();
  if (valueEmpty || defaultEmpty) return valueEmpty && defaultEmpty;
  return compareVariants(value, defaultValue) == Comparison::Equal;
}

Ref<XMLRegistry> storeOf(const Ref<CApplication>& app, bool userStore) {
  if (!app) raiseError(err::ObjectNotSet);
  Ref<XMLRegistry> registry = userStore ? app->UserConfig() : app->SysConfig();
  if (!registry) raiseError(err::ObjectNotSet);
  return registry;
}

}  // namespace

Variant GetConfigValue(const Ref<XMLRegistry>& registry, const String& keyPath, const Variant& defaultValue) {
  if (!registry) return defaultValue;
  const Lookup found = find(registry, split(keyPath));
  return found.found ? Variant(found.text) : defaultValue;
}

void SetConfigValue(const Ref<XMLRegistry>& registry, const String& keyPath, const Variant& value,
                    const Variant& defaultValue, bool removeIfDefault) {
  if (!registry) raiseError(err::ObjectNotSet);
  const KeyPath path = split(keyPath);

  if (removeIfDefault && sameAsDefault(value, defaultValue)) {
    const Lookup found = find(registry, path);
    if (!found.key) return;
    if (path.name.empty()) found.key->SetDefaultValue(String());
    else if (found.value) found.key->RemoveValue(path.name);
    return;
  }

  const String text = CStr(value);  // a Boolean is "True" / "False"
  Ref<XMLRegistryKey> root = registry->RootKey();
  Ref<XMLRegistryKey> key = path.key.empty() ? root : root->OpenKey(path.key, true);
  if (!key) raiseError(err::PathFileAccess, kDefaultErrorSource, u"The key " + path.key + u" could not be created.");
  if (path.name.empty()) {
    key->SetDefaultValue(text);
    return;
  }
  const Lookup found = find(registry, path);
  if (found.value) found.value->SetValue(text);
  else key->AddValue(path.name, text);
}

Variant GetConfigValue(const Ref<CApplication>& app, const String& keyPath, const Variant& defaultValue,
                       bool userStore) {
  try {
    return GetConfigValue(storeOf(app, userStore), keyPath, defaultValue);
  } catch (const AutomationError&) {
    return defaultValue;  // no store: the value is not there
  }
}

void SetConfigValue(const Ref<CApplication>& app, const String& keyPath, const Variant& value,
                    const Variant& defaultValue, bool userStore, bool removeIfDefault) {
  SetConfigValue(storeOf(app, userStore), keyPath, value, defaultValue, removeIfDefault);
}

}  // namespace lv8int::modXMLRegMethod
