#pragma once
// The host's add-in for tests: records what it is told, answers "CONNECTIONSTRING" with a text,
// and can be told to fail.
#include <functional>
#include <map>
#include <vector>

#include "platform/host/IAddIn.h"

namespace lv8int::test {

inline constexpr char16_t kTestAddInProgID[] = u"LV8Test.AddIn";

class TestAddIn : public IAddIn {
 public:
  struct Call {
    int32_t kind;
    String name;
    int32_t argumentCount;  // elements of the argument list
  };

  Variant Execute(int32_t kind, const String& name, Variant& args) override;

  // The answer to "CONNECTIONSTRING".
  String connectionString = u"Provider=LV8Test;Data Source=ledger.db";
  // Runs at the start of every Execute, before the answer (to look at the library's state).
  std::function<void(const String& name)> onExecute;
  // Execute with this name raises the error `number` ("" for every name).
  void failOn(const String& name, int32_t number) { failures_[name] = number; }

  const std::vector<Call>& calls() const { return calls_; }
  // The names told, in order, joined by ",".
  std::string names() const;

 private:
  std::vector<Call> calls_;
  std::map<String, int32_t> failures_;
};

}  // namespace lv8int::test
