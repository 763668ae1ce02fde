// Values on the wire of the remote middle tier: what crosses comes back with its type, bounds
// and records, and data that no sender of ours would write is refused, never built.
#include <gtest/gtest.h>

#include "midtier.pb.h"
#include "platform/components/VariantCodec.h"
#include "platform/recordset/Recordset.h"
#include "support/RaisedError.h"

using namespace lv8int;

namespace {

class Codec : public ::testing::Test {
 protected:
  std::vector<Ref<Object>> sent;  // objects handed an id, id = position + 1
  VariantCodec codec{[this](const Ref<Object>& o) -> uint64_t {
                       sent.push_back(o);
                       return sent.size();
                     },
                     [this](uint64_t id) -> Ref<Object> { return sent.at(id - 1); }};

  Variant roundTrip(const Variant& v) {
    midtier::Value wire;
    codec.encode(v, wire);
    midtier::Value parsed;
    EXPECT_TRUE(parsed.ParseFromString(wire.SerializeAsString()));
    return codec.decode(parsed);
  }

  int32_t refused(const midtier::Value& wire) {
    return test::raisedError([&] { codec.decode(wire); }).number();
  }
};

}  // namespace

TEST_F(Codec, ScalarsKeepTheirTypeAndValue) {
  const Variant values[] = {Variant(), Variant::null(), Variant(int16_t{-1}), Variant(int32_t{INT32_MAX}),
                            Variant(3.25f), Variant(-1e300), Variant::currency(INT64_MIN), Variant::date(-657434.5),
                            Variant(String(u"\xDC00甲\0", 3)), Variant(true), Variant::byte(0), Variant::missing(),
                            Variant::error(-2147352567)};
  for (const Variant& v : values)
    EXPECT_TRUE(roundTrip(v).sameAs(v)) << toUtf8(typeName(v.type()));
  // A by-reference argument sends the value it stands for.
  Variant target(int32_t{5});
  EXPECT_TRUE(roundTrip(Variant::byRef(target)).sameAs(target));
}

TEST_F(Codec, ArraysKeepBoundsElementTypeAndNesting) {
  Variant a = Variant::array(SafeArray(VarType::String, {{-2, 0}, {5, 6}}));
  a.arrayData()->at({-1, 6}) = Variant(u"乙");
  Variant back = roundTrip(a);
  ASSERT_TRUE(back.isArray());
  EXPECT_EQ(back.arrayElementType(), VarType::String);
  EXPECT_EQ(back.arrayData()->lbound(1), -2);
  EXPECT_EQ(back.arrayData()->ubound(2), 6);
  EXPECT_EQ(back.arrayData()->at({-1, 6}).rawString(), u"乙");
  EXPECT_EQ(back.arrayData()->at({0, 5}).rawString(), u"");
  Variant empty = roundTrip(Variant::array(SafeArray(VarType::Variant, 0, -1)));
  ASSERT_TRUE(empty.isArray());
  EXPECT_EQ(empty.arrayData()->size(), 0u);
}

TEST_F(Codec, ARecordsetIsRebuiltWithItsPositionAndCountRule) {
  Ref<Recordset> rs = make<Recordset>(std::vector<String>{u"ID", u"Name"});
  rs->addRecord({Variant(int32_t{1}), Variant(u"一")});
  rs->addRecord({Variant(int32_t{2}), Variant::null()});
  rs->MoveNext();
  rs->setReportsRecordCount(false);
  Variant back = roundTrip(Variant(Ref<Object>(rs)));
  Ref<Recordset> copy(dynamic_cast<Recordset*>(back.rawObject().get()));
  ASSERT_TRUE(copy);
  EXPECT_TRUE(sent.empty()) << "a recordset travels as data, not as an id";
  EXPECT_EQ(copy->RecordCount(), -1);
  EXPECT_EQ(copy->size(), 2u);
  EXPECT_TRUE(copy->value(0).sameAs(Variant(int32_t{2})));
  EXPECT_TRUE(copy->value(1).isNull());
  rs->Close();
  Ref<Object> closed = roundTrip(Variant(Ref<Object>(rs))).rawObject();
  EXPECT_EQ(test::raisedError([&] { dynamic_cast<Recordset&>(*closed).RecordCount(); }).number(), rserr::ObjectClosed);
}

TEST_F(Codec, OtherObjectsCrossAsIdsAndNothingAsNone) {
  Ref<Object> obj = make<Object>();
  Variant back = roundTrip(Variant(obj));
  EXPECT_EQ(back.rawObject(), obj);
  ASSERT_EQ(sent.size(), 1u);
  Variant nothing = roundTrip(Variant::nothing());
  EXPECT_TRUE(nothing.isObject());
  EXPECT_FALSE(nothing.rawObject());
  EXPECT_EQ(sent.size(), 1u);
}

TEST_F(Codec, MalformedValuesAreRefusedWithTypeMismatch) {
  auto scalar = [](VarType t, int64_t i) {
    midtier::Value v;
    v.set_type(static_cast<uint32_t>(t));
    v.set_integer(i);
    return v;
  };
  EXPECT_EQ(refused(scalar(VarType::Integer, 40000)), err::TypeMismatch);
  EXPECT_EQ(refused(scalar(VarType::Byte, -1)), err::TypeMismatch);
  EXPECT_EQ(refused(scalar(VarType::Long, int64_t{1} << 40)), err::TypeMismatch);
  EXPECT_EQ(refused(scalar(VarType::Variant, 0)), err::TypeMismatch);
  midtier::Value single;
  single.set_type(static_cast<uint32_t>(VarType::Single));
  single.set_real(1e300);
  EXPECT_EQ(refused(single), err::TypeMismatch);
  EXPECT_EQ(refused(scalar(static_cast<VarType>(99), 0)), err::TypeMismatch);

  // Bounds of a billion elements with two in the message: refused before anything is sized.
  midtier::Value huge;
  huge.set_type(static_cast<uint32_t>(VarType::Long));
  huge.mutable_array()->set_element_type(static_cast<uint32_t>(VarType::Long));
  midtier::Bound* b = huge.mutable_array()->add_bounds();
  b->set_lower(0);
  b->set_upper(999999999);
  *huge.mutable_array()->add_elements() = scalar(VarType::Long, 1);
  *huge.mutable_array()->add_elements() = scalar(VarType::Long, 2);
  EXPECT_EQ(refused(huge), err::TypeMismatch);
  b->set_upper(1);
  EXPECT_TRUE(codec.decode(huge).isArray());
  // A Long array holding an Integer.
  *huge.mutable_array()->mutable_elements(1) = scalar(VarType::Integer, 2);
  EXPECT_EQ(refused(huge), err::TypeMismatch);
  b->set_lower(5);
  b->set_upper(2);  // upper below lower - 1
  EXPECT_EQ(refused(huge), err::TypeMismatch);

  midtier::Value rs;
  rs.set_type(static_cast<uint32_t>(VarType::Object));
  rs.mutable_recordset()->add_names(std::string("A\0", 2));
  rs.mutable_recordset()->add_names(std::string("B\0", 2));
  *rs.mutable_recordset()->add_values() = scalar(VarType::Long, 1);
  EXPECT_EQ(refused(rs), err::TypeMismatch) << "three fields' worth of values for two fields";
}

TEST_F(Codec, TextAndErrorsCrossByteForByte) {
  const String text(u"A\xD800\0中", 4);
  EXPECT_EQ(VariantCodec::fromBytes(VariantCodec::toBytes(text)), text);
  EXPECT_EQ(VariantCodec::fromBytes(std::string("A\0B", 3)), u"A") << "an odd last byte is dropped";
  midtier::Error wire;
  VariantCodec::encodeError(AutomationError(vbObjectError + 7, u"来源", u"说明"), wire);
  AutomationError back = VariantCodec::decodeError(wire);
  EXPECT_EQ(back.number(), vbObjectError + 7);
  EXPECT_EQ(back.source(), u"来源");
  EXPECT_EQ(back.description(), u"说明");
}
