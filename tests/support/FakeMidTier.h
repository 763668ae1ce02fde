#pragma once
// Middle-tier components for tests: an object that answers one member by name with a scripted
// answer and records the arguments of every call, made available under a ProgID for the length
// of a scope; and in-memory recordsets built from rows.
#include <functional>
#include <memory>
#include <vector>

#include "platform/automation/ComponentRegistry.h"
#include "platform/recordset/Recordset.h"

namespace lv8int::test {

class FakeMidComponent : public Object {
 public:
  explicit FakeMidComponent(String member) : member_(std::move(member)) {}

  // The answer to a call of the member; the arguments as passed (by-reference ones dereferenced).
  std::function<Variant(const std::vector<Variant>& args)> answer;
  // Every call's arguments, texts as CStr gives them.
  std::vector<std::vector<String>> calls;

  // Any other member raises 438, as a component without it would.
  Variant invoke(StringView name, InvokeKind kind, Args& args) override;

 private:
  String member_;
};

// A FakeMidComponent created by `progID` for the length of the scope; every creation hands out
// the same object, so the test sees every call.
class FakeMidTier {
 public:
  FakeMidTier(StringView progID, String member);
  FakeMidComponent& component() { return *component_; }
  // Answers every call with a new recordset of these rows.
  void answerRows(std::vector<String> fieldNames, std::vector<std::vector<Variant>> rows);
  // Answers every call by raising `number` with `description`.
  void answerError(int32_t number, String description);
  // Times the component was created.
  int created() const { return *created_; }

 private:
  Ref<FakeMidComponent> component_;
  std::shared_ptr<int> created_ = std::make_shared<int>(0);
  std::unique_ptr<ScopedComponent> registration_;
};

Ref<Recordset> recordsetOf(std::vector<String> fieldNames, const std::vector<std::vector<Variant>>& rows);

}  // namespace lv8int::test
