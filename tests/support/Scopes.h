#pragma once
// Process-wide settings a test changes for the length of a scope: an environment variable, the
// active ANSI code page. Each is put back as it was, even when an expectation fails.
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/codepage/AnsiCodePage.h"

namespace lv8int::test {

// Sets `name` to `value` (unsets it for nullptr).
class EnvironmentScope {
 public:
  EnvironmentScope(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    set(value);
  }
  ~EnvironmentScope() { set(old_ ? old_->c_str() : nullptr); }
  EnvironmentScope(const EnvironmentScope&) = delete;
  EnvironmentScope& operator=(const EnvironmentScope&) = delete;

 private:
  void set(const char* value) {
    if (value) ::setenv(name_.c_str(), value, 1);
    else ::unsetenv(name_.c_str());
  }
  std::string name_;
  std::optional<std::string> old_;
};

// Makes `cp` the active code page; afterwards the environment chooses again.
class CodePageScope {
 public:
  explicit CodePageScope(int cp) { codepage::setActiveCodePage(cp); }
  ~CodePageScope() { codepage::setActiveCodePage(0); }
  CodePageScope(const CodePageScope&) = delete;
  CodePageScope& operator=(const CodePageScope&) = delete;
};

}  // namespace lv8int::test
