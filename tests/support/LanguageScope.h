#pragma once
// The suite's language (LV8INT_LANGUAGE) set, or unset, for the length of a scope; what was
// there before comes back at its end.
#include <optional>
#include <string>

namespace lv8int::test {

class LanguageScope {
 public:
  // `language` null: the variable is unset (the default language applies).
  explicit LanguageScope(const char* language);
  ~LanguageScope();
  LanguageScope(const LanguageScope&) = delete;
  LanguageScope& operator=(const LanguageScope&) = delete;

  // For SCOPED_TRACE: the language, or "unset".
  const char* name() const { return language_ ? language_ : "unset"; }

 private:
  const char* language_;
  std::optional<std::string> previous_;
};

}  // namespace lv8int::test
