#include "support/ProvidedComponent.h"

namespace lv8int::test {

ProvidedComponent::ProvidedComponent(StringView progID, Ref<Object> object)
    : registration_(std::make_unique<ScopedComponent>(progID, StringView(), [object] { return object; })) {}

}  // namespace lv8int::test
