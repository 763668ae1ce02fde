#include "app/CUserRight.h"

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "platform/recordset/RecordReader.h"
#include "platform/recordset/RecordsetAccess.h"
#include "typelib/Registration.h"

namespace lv8int {

void CUserRight::LoadRights() {
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  const String user = app->CurrentUserID();
  // Codes answer only for the user they were loaded for: after a change of user they go.
  if (!codes_.empty() && loadedFor_ == user) return;
  codes_.clear();
  loadedFor_.clear();

  // The component is let go of once it has answered.
  RecordReader rs([&] {
    Ref<Object> component = app->CreateMidObject(u"ZRMSysBase.SysUserRight");
    if (!component) raiseError(err::ObjectNotSet);
    return recordsets::fromAnswer(
        component->call(u"GetCurRight", {Variant(app->StrEnv()), Variant(app->strEnvValue())}));
  }());
  const int32_t count = rs.recordCount();
  // Nothing granted: the codes stay not loaded and the next call asks again.
  if (count == 0) return;

  // Read aside, so that a failure part-way leaves no partial list to answer from.
  const size_t codeField = rs.field(Variant(int32_t{0}));
  std::vector<String> codes;
  if (count < 0) {
    // A cursor that does not know its size (-1) is read to its end.
    if (!rs.isEmpty()) {
      rs.moveFirst();
      while (!rs.atEOF()) {
        codes.push_back(CStr(rs.value(codeField)));
        rs.moveNext();
      }
    }
  } else {
    codes.reserve(static_cast<size_t>(count));
    rs.moveFirst();
    for (int32_t i = 0; i < count; ++i) {
      codes.push_back(CStr(rs.value(codeField)));
      rs.moveNext();
    }
  }
  rs.close();
  codes_ = std::move(codes);
  if (!codes_.empty()) loadedFor_ = user;
}

bool CUserRight::HasRight(const String& strRightCode) {
  LoadRights();
  const size_t length = strRightCode.size();
  for (const String& r : codes_) {
    if (length < r.size()) {
      // A granted sub-right grants the requested parent code.
      if (r.compare(0, length, strRightCode) == 0) return true;
    } else {
      // A granted code grants itself and all its sub-codes.
      if (strRightCode.compare(0, r.size(), r) == 0) return true;
    }
  }
  return false;
}

const DispatchTable* CUserRight::classDispatchTable() {
  static const DispatchTable table = DispatchBuilder<CUserRight>(u"CUserRight")
                                         .method(u"HasRight", &CUserRight::HasRight)
                                         .method(u"LoadRights", &CUserRight::LoadRights, {.hidden = true})
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(CUserRight, nullptr);

}  // namespace lv8int
