// XML registry files: whatever loads saves to a document that loads to the same registry; a
// failed load leaves an empty registry; a file loads as its bytes do.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/automation/AutomationError.h"
#include "platform/xmlregistry/XMLRegistry.h"
#include "platform/xmlregistry/XMLRegistryKeys.h"
#include "platform/xmlregistry/XMLRegistryValues.h"

using namespace lv8int;

namespace {

// The same bytes loaded from a file, where they are parsed in place: the same registry, or the
// same failure described the same way.
void sameFromFile(std::string_view bytes, const XMLRegistry& fromBytes, bool loaded) {
  static const struct TempFile {
    std::string name = "/tmp/lv8fuzz-xmlregistry-" + std::to_string(::getpid()) + ".xml";
    ~TempFile() { std::remove(name.c_str()); }
  } temp;
  const std::string& file = temp.name;
  FILE* out = std::fopen(file.c_str(), "wb");
  if (!out) return;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  if (std::fclose(out) != 0 || !written) return;
  auto reg = make<XMLRegistry>();
  if (reg->Load(fromUtf8(file)) != loaded) std::abort();
  const xml::XmlParseError &a = reg->lastError(), &b = fromBytes.lastError();
  if (a.errorCode != b.errorCode || a.line != b.line || a.column != b.column || a.reason != b.reason) std::abort();
  if (loaded && reg->toXml() != fromBytes.toXml()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto reg = make<XMLRegistry>();
  const bool loaded = reg->loadXml(bytes);
  sameFromFile(bytes, *reg, loaded);
  if (!loaded) {
    Ref<XMLRegistryKey> root = reg->RootKey();
    if (root->Values()->Count() || root->SubKeys()->Count() || !root->DefaultValue().empty()) std::abort();
    return 0;
  }
  const std::string saved = reg->toXml();
  auto again = make<XMLRegistry>();
  if (!again->loadXml(saved) || again->toXml() != saved) std::abort();

  // The input's first line as a key path and value name.
  const String text = fromUtf8(bytes.substr(0, std::min<size_t>(bytes.find('\n'), 200)));
  try {
    Ref<XMLRegistryKey> key = again->RootKey()->OpenKey(text, true);
    if (key != again->RootKey()->OpenKey(text, false)) std::abort();
    if (!text.empty()) {
      key->Values()->Item(Variant(text))->SetValue(text);
      if (CStr(key->GetValue(text, Variant::missing())) != text) std::abort();
    }
  } catch (const AutomationError&) {
    return 0;  // too deep
  }
  const std::string resaved = again->toXml();
  auto third = make<XMLRegistry>();
  if (!third->loadXml(resaved) || third->toXml() != resaved) std::abort();

  // A save that finds the file written by another process: the change made above stays, and
  // the merged registry saves to a document that loads to the same registry.
  again->RootKey()->absorb(*reg->RootKey());
  if (!text.empty()) {
    Ref<XMLRegistryKey> key = again->RootKey()->OpenKey(text, false);
    if (!key || CStr(key->GetValue(text, Variant::missing())) != text) std::abort();
  }
  const std::string merged = again->toXml();
  auto fourth = make<XMLRegistry>();
  if (!fourth->loadXml(merged) || fourth->toXml() != merged) std::abort();
  return 0;
}
