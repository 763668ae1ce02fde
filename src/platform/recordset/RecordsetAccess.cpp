#include "platform/recordset/RecordsetAccess.h"

namespace lv8int::recordsets {

namespace {

Object& objectOf(const Variant& v) {
  const Variant& d = v.deref();
  if (!d.isObject()) raiseError(err::ObjectRequired);
  if (!d.rawObject()) raiseError(err::ObjectNotSet);
  return *d.rawObject();
}

}  // namespace

Ref<Object> fromAnswer(const Variant& answer) {
  const Variant& d = answer.deref();
  if (!d.isObject()) raiseError(err::ObjectRequired);
  if (!d.rawObject()) raiseError(err::ObjectNotSet);
  return d.rawObject();
}

int32_t recordCount(Object& rs) { return CLng(rs.get(u"RecordCount")); }
bool atBOF(Object& rs) { return CBool(rs.get(u"BOF")); }
bool atEOF(Object& rs) { return CBool(rs.get(u"EOF")); }
bool isEmpty(Object& rs) {
  // Both are asked, as "rs.BOF And rs.EOF" asks both.
  const bool bof = atBOF(rs);
  const bool eof = atEOF(rs);
  return bof && eof;
}
void moveFirst(Object& rs) { rs.call(u"MoveFirst"); }
void moveNext(Object& rs) { rs.call(u"MoveNext"); }
void close(Object& rs) { rs.call(u"Close"); }

Variant fieldValue(Object& rs, const Variant& index) {
  const Variant fields = rs.get(u"Fields");
  const Variant field = objectOf(fields).get(u"Item", {index});
  return objectOf(field).get(u"Value");
}

}  // namespace lv8int::recordsets
