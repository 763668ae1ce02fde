#include "platform/components/VariantCodec.h"

#include <cmath>
#include <limits>

#include "midtier.pb.h"
#include "platform/recordset/Recordset.h"

namespace lv8int {

namespace {

[[noreturn]] void malformed(const char16_t* what) {
  raiseError(err::TypeMismatch, kDefaultErrorSource,
             standardDescription(err::TypeMismatch) + u": the middle tier sent " + what);
}

bool isScalarType(uint32_t t) {
  switch (static_cast<VarType>(t)) {
    case VarType::Empty: case VarType::Null: case VarType::Integer: case VarType::Long:
    case VarType::Single: case VarType::Double: case VarType::Currency: case VarType::Date:
    case VarType::String: case VarType::Object: case VarType::Error: case VarType::Boolean:
    case VarType::Byte:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string VariantCodec::toBytes(StringView text) {
  std::string out(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    out[2 * i] = static_cast<char>(text[i] & 0xFF);
    out[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return out;
}

String VariantCodec::fromBytes(const std::string& bytes) {
  String out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) | (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  return out;
}

void VariantCodec::encode(const Variant& value, midtier::Value& out) const {
  const Variant& v = value.deref();
  if (v.isArray()) {
    out.set_type(static_cast<uint32_t>(v.arrayElementType()));
    midtier::ArrayData* a = out.mutable_array();
    a->set_element_type(static_cast<uint32_t>(v.arrayElementType()));
    if (const SafeArray* data = v.arrayData()) {
      for (int32_t d = 1; d <= data->dims(); ++d) {
        midtier::Bound* b = a->add_bounds();
        b->set_lower(data->lbound(d));
        b->set_upper(data->ubound(d));
      }
      for (const Variant& e : data->elements()) encode(e, *a->add_elements());
    }
    return;
  }
  out.set_type(static_cast<uint32_t>(v.type()));
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Null:
      break;
    case VarType::Integer: case VarType::Long: case VarType::Currency: case VarType::Error:
    case VarType::Boolean: case VarType::Byte:
      out.set_integer(v.rawInteger());
      break;
    case VarType::Single: case VarType::Double: case VarType::Date:
      out.set_real(v.rawDouble());
      break;
    case VarType::String:
      out.set_text(toBytes(v.rawString()));
      break;
    case VarType::Object: {
      const Ref<Object>& obj = v.rawObject();
      if (const auto* rs = dynamic_cast<const Recordset*>(obj.get())) {
        midtier::RecordsetData* d = out.mutable_recordset();
        d->set_closed(!rs->isOpen());
        d->set_reports_count(rs->reportsRecordCount());
        d->set_position(rs->position());
        // A closed recordset no longer answers for its fields; its data stays behind.
        if (rs->isOpen()) {
          for (int32_t f = 0; f < rs->fieldCount(); ++f) d->add_names(toBytes(rs->fieldName(f)));
          for (size_t r = 0; r < rs->size(); ++r)
            for (const Variant& field : rs->record(r)) encode(field, *d->add_values());
        }
      } else {
        out.set_object(obj ? toId_(obj) : 0);
      }
      break;
    }
    default:
      raiseError(err::UnsupportedAutomationType);
  }
}

Variant VariantCodec::decode(const midtier::Value& in) const {
  if (in.has_array()) {
    const midtier::ArrayData& a = in.array();
    const uint32_t et = a.element_type();
    if (et != static_cast<uint32_t>(VarType::Variant) && (!isScalarType(et) || et == 0 || et == 1))
      malformed(u"an array of an unknown type");
    if (a.bounds_size() == 0) {
      // An array that has no dimensions yet (declared but never sized).
      if (a.elements_size() != 0) malformed(u"elements without bounds");
      Variant unsized = Variant::array(SafeArray(static_cast<VarType>(et), 0, -1));
      return unsized;
    }
    if (a.bounds_size() > 60) malformed(u"an array of too many dimensions");
    std::vector<ArrayBound> bounds;
    int64_t count = 1;
    for (const midtier::Bound& b : a.bounds()) {
      if (static_cast<int64_t>(b.upper()) < static_cast<int64_t>(b.lower()) - 1) malformed(u"an array with bad bounds");
      const int64_t n = static_cast<int64_t>(b.upper()) - b.lower() + 1;
      count *= n;
      // The elements are in the message: a count beyond them is malformed, never allocated.
      if (count > a.elements_size()) malformed(u"an array whose elements do not fill its bounds");
      bounds.push_back({b.lower(), b.upper()});
    }
    if (count != a.elements_size()) malformed(u"an array whose elements do not fill its bounds");
    SafeArray array(static_cast<VarType>(et), std::move(bounds));
    for (int i = 0; i < a.elements_size(); ++i) {
      Variant e = decode(a.elements(i));
      if (et != static_cast<uint32_t>(VarType::Variant) && (e.isArray() || e.type() != static_cast<VarType>(et)))
        malformed(u"an array element of another type");
      array.elements()[static_cast<size_t>(i)] = std::move(e);
    }
    return Variant::array(std::move(array));
  }
  const int64_t i = in.integer();
  switch (static_cast<VarType>(in.type())) {
    case VarType::Empty: return Variant();
    case VarType::Null: return Variant::null();
    case VarType::Integer:
      if (i < INT16_MIN || i > INT16_MAX) malformed(u"an Integer out of range");
      return Variant(static_cast<int16_t>(i));
    case VarType::Long:
      if (i < INT32_MIN || i > INT32_MAX) malformed(u"a Long out of range");
      return Variant(static_cast<int32_t>(i));
    case VarType::Error:
      if (i < INT32_MIN || i > INT32_MAX) malformed(u"an error value out of range");
      return Variant::error(static_cast<int32_t>(i));
    case VarType::Byte:
      if (i < 0 || i > 255) malformed(u"a Byte out of range");
      return Variant::byte(static_cast<uint8_t>(i));
    case VarType::Boolean: return Variant(i != 0);
    case VarType::Currency: return Variant::currency(i);
    case VarType::Single:
      // A finite double beyond a Single's range has no Single value (infinities and NaN do).
      if (std::isfinite(in.real()) && std::fabs(in.real()) > std::numeric_limits<float>::max())
        malformed(u"a Single out of range");
      return Variant(static_cast<float>(in.real()));
    case VarType::Double: return Variant(in.real());
    case VarType::Date: return Variant::date(in.real());
    case VarType::String: return Variant(fromBytes(in.text()));
    case VarType::Object: {
      if (in.has_recordset()) {
        const midtier::RecordsetData& d = in.recordset();
        std::vector<String> names;
        for (const std::string& n : d.names()) names.push_back(fromBytes(n));
        Ref<Recordset> rs = make<Recordset>(names);
        if (names.empty() ? d.values_size() != 0 : d.values_size() % static_cast<int>(names.size()) != 0)
          malformed(u"a recordset whose values do not fill its records");
        std::vector<Variant> row;
        for (const midtier::Value& value : d.values()) {
          row.push_back(decode(value));
          if (row.size() == names.size()) rs->addRecord(std::exchange(row, {}));
        }
        rs->setReportsRecordCount(d.reports_count());
        rs->setPosition(static_cast<size_t>(std::min<uint64_t>(d.position(), rs->size())));
        if (d.closed()) rs->Close();
        return Variant(Ref<Object>(rs));
      }
      if (in.object() == 0) return Variant::nothing();
      return Variant(toObject_(in.object()));
    }
    default:
      malformed(u"a value of an unknown type");
  }
}

void VariantCodec::encodeError(const AutomationError& error, midtier::Error& out) {
  out.set_number(error.number());
  out.set_source(toBytes(error.source()));
  out.set_description(toBytes(error.description()));
}

AutomationError VariantCodec::decodeError(const midtier::Error& in) {
  return AutomationError(in.number(), fromBytes(in.source()), fromBytes(in.description()));
}

}  // namespace lv8int
