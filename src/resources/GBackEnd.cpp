#include "resources/GBackEnd.h"

#include "platform/helpers/Helpers.h"
#include "typelib/Registration.h"

namespace lv8int {

namespace {

// The elements of a one-dimensional array as text joined with ";", as automation's Join does:
// a value that is no array is a type mismatch, an array of several dimensions an invalid
// argument, and an array that was never given bounds gives the empty text.
String joinArray(const Variant& value) {
  const Variant& v = value.deref();
  if (!v.isArray()) raiseError(err::TypeMismatch);
  const SafeArray* a = v.arrayData();
  if (!a || a->dims() == 0) return {};
  if (a->dims() != 1) raiseError(err::InvalidProcedureCall);
  String out;
  bool first = true;
  for (const Variant& item : a->elements()) {
    if (!first) out.push_back(u';');
    out += CStr(item);
    first = false;
  }
  return out;
}

// "S3,abc": the length prefix lets a reader skip text that itself holds ";" or ",".
String countedSector(char16_t letter, const String& content) {
  return String(1, letter) + toString(static_cast<long long>(content.size())) + u"," + content;
}

}  // namespace

String GBackEnd::IStr(const String& Content, int32_t IStrType) {
  switch (IStrType) {
    case eistpNormal:
      return countedSector(u'S', Content);
    case eistpResource:
      return u"I" + helpers::formatNumber(CLng(Variant(Content)), u"&H");
    case eistpFormat:
      return countedSector(u'F', Content);
    default:
      return {};
  }
}

String GBackEnd::IStrJoin(Variant& SectorArray) { return joinArray(SectorArray); }

String GBackEnd::IStrQuick(Variant& Arg) {
  const Variant& v = Arg.deref();
  if (!v.isArray()) raiseError(err::TypeMismatch);
  const SafeArray* a = v.arrayData();
  if (!a) raiseError(err::SubscriptOutOfRange);
  String out;
  const int64_t lower = a->lbound(1);
  const int64_t upper = a->ubound(1);
  for (int64_t i = lower; i <= upper; ++i) {
    const Variant& item = a->at(static_cast<int32_t>(i)).deref();
    String sector;
    if (item.isArray()) {
      // Sectors built earlier, passed on as they are.
      sector = joinArray(item);
    } else {
      switch (item.type()) {
        case VarType::Integer:
        case VarType::Long:
        case VarType::Byte:
          sector = IStr(CStr(item), eistpResource);
          break;
        case VarType::String:
          sector = IStr(item.rawString(), eistpNormal);
          break;
        default:
          sector = joinArray(item);  // raises: no array
      }
    }
    if (i != lower) out.push_back(u';');
    out += sector;
  }
  return out;
}

bool GBackEnd::IsOurErrNum(int32_t ErrNum) {
  // Bit 31 set, bit 30 clear, bit 29 set: A0000000 to BFFFFFFF.
  return (static_cast<uint32_t>(ErrNum) & 0xE0000000u) == 0xA0000000u;
}

const DispatchTable* GBackEnd::classDispatchTable() {
  static const DispatchTable table = DispatchBuilder<GBackEnd>(u"GBackEnd")
                                         .method(u"IStr", &GBackEnd::IStr, {.required = 1})
                                         .method(u"IStrJoin", &GBackEnd::IStrJoin)
                                         .method(u"IStrQuick", &GBackEnd::IStrQuick)
                                         .method(u"IsOurErrNum", &GBackEnd::IsOurErrNum)
                                         .build();
  return &table;
}

LV8_REGISTER_CLASS(GBackEnd, typelib::factoryOf<GBackEnd>());

}  // namespace lv8int
