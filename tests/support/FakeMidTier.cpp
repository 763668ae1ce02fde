#include "support/FakeMidTier.h"

#include "platform/automation/Conversions.h"

namespace lv8int::test {

Variant FakeMidComponent::invoke(StringView name, InvokeKind /*kind*/, Args& args) {
  if (!equalsNoCase(name, member_)) raiseError(err::MemberNotSupported);
  std::vector<Variant> values;
  std::vector<String> texts;
  for (const Variant& a : args) {
    values.push_back(a.deref());
    texts.push_back(CStr(a.deref()));
  }
  calls.push_back(texts);
  if (!answer) return Variant();
  return answer(values);
}

FakeMidTier::FakeMidTier(StringView progID, String member)
    : component_(make<FakeMidComponent>(std::move(member))) {
  registration_ = std::make_unique<ScopedComponent>(progID, StringView(), [c = component_, n = created_] {
    ++*n;
    return Ref<Object>(c);
  });
}

void FakeMidTier::answerRows(std::vector<String> fieldNames, std::vector<std::vector<Variant>> rows) {
  component_->answer = [fieldNames, rows](const std::vector<Variant>&) {
    return Variant(recordsetOf(fieldNames, rows));
  };
}

void FakeMidTier::answerError(int32_t number, String description) {
  component_->answer = [number, description](const std::vector<Variant>&) -> Variant {
    raiseError(number, u"FakeMidTier", description);
  };
}

Ref<Recordset> recordsetOf(std::vector<String> fieldNames, const std::vector<std::vector<Variant>>& rows) {
  Ref<Recordset> rs = make<Recordset>(std::move(fieldNames));
  for (const auto& row : rows) rs->addRecord(row);
  return rs;
}

}  // namespace lv8int::test
