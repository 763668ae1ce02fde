#include "support/LanguageScope.h"

#include <cstdlib>

namespace lv8int::test {

namespace {
constexpr char kVariable[] = "LV8INT_LANGUAGE";

void put(const char* value) {
  if (value)
    setenv(kVariable, value, 1);
  else
    unsetenv(kVariable);
}
}  // namespace

LanguageScope::LanguageScope(const char* language) : language_(language) {
  if (const char* was = std::getenv(kVariable)) previous_ = was;
  put(language);
}

LanguageScope::~LanguageScope() { put(previous_ ? previous_->c_str() : nullptr); }

}  // namespace lv8int::test
