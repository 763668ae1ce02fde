// The in-memory recordset read by name, as the library reads middle-tier answers: moving,
// fields by position and by name, the errors at BOF/EOF, unknown fields and a closed recordset.
#include <gtest/gtest.h>

#include "platform/automation/Conversions.h"
#include "platform/recordset/Recordset.h"
#include "platform/recordset/RecordsetAccess.h"
#include "support/FakeMidTier.h"
#include "support/RaisedError.h"

using namespace lv8int;
using lv8int::test::recordsetOf;

namespace {

constexpr char16_t kNoCurrentRecord[] =
    u"Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current "
    u"record.";
constexpr char16_t kNotFound[] = u"Item cannot be found in the collection corresponding to the requested name or ordinal.";

using test::raisedError;

Ref<Recordset> threeWarnings() {
  return recordsetOf({u"WarningID", u"Source", u"Content"},
                     {{Variant(int32_t{7}), Variant(u"凭证"), Variant(u"first")},
                      {Variant(int32_t{8}), Variant(u"账簿"), Variant(u"second")},
                      {Variant(int32_t{9}), Variant::null(), Variant(u"third")}});
}

// A field's value read purely by name: rs.Fields.Item(index).Value.
Variant byName(Object& rs, const Variant& index) {
  Variant fields = rs.get(u"Fields");
  Variant field = fields.rawObject()->get(u"Item", {index});
  return field.rawObject()->get(u"Value");
}

}  // namespace

TEST(Recordset, WalksFromTheFirstRecordToEofByName) {
  Ref<Recordset> rs = threeWarnings();
  Object& o = *rs;
  EXPECT_EQ(CLng(o.get(u"RecordCount")), 3);
  EXPECT_FALSE(CBool(o.get(u"BOF")));
  std::vector<String> seen;
  while (!CBool(o.get(u"EOF"))) {
    // By position from 0, by name in any letter case, and the collapsed Fields(index) form.
    const Variant id = byName(o, Variant(int32_t{0}));
    const Variant source = byName(o, Variant(u"source"));
    const Variant content = o.get(u"Fields", {Variant(u"CONTENT")});
    seen.push_back(CStr(id) + u"|" + (source.isNull() ? String(u"<null>") : CStr(source)) + u"|" + CStr(content));
    o.call(u"MoveNext");
  }
  EXPECT_EQ(seen, (std::vector<String>{u"7|凭证|first", u"8|账簿|second", u"9|<null>|third"}));
  EXPECT_FALSE(CBool(o.get(u"BOF"))) << "past the last record is EOF, not BOF";
  // Values keep their types: a Long stays a Long, Null stays Null.
  o.call(u"MoveFirst");
  EXPECT_EQ(byName(o, Variant(u"WarningID")).type(), VarType::Long);
  EXPECT_EQ(CStr(byName(o, Variant(int32_t{2}))), u"first") << "MoveFirst goes back to the first record";
}

TEST(Recordset, FieldObjectsReadTheRecordTheRecordsetStandsOn) {
  Ref<Recordset> rs = threeWarnings();
  Variant field = rs->Fields(Variant(u"Content"));
  rs->MoveNext();
  EXPECT_EQ(CStr(field.rawObject()->get(u"Value")), u"second");
  // The default member of a field is its value, so it converts like one.
  EXPECT_EQ(CStr(field), u"second");
  EXPECT_EQ(CStr(field.rawObject()->get(u"Name")), u"Content");
  EXPECT_EQ(CLng(rs->Fields().rawObject()->get(u"Count")), 3);
}

TEST(Recordset, NoCurrentRecordIsError3021WithItsText) {
  Ref<Recordset> empty = recordsetOf({u"RightCode"}, {});
  EXPECT_TRUE(empty->atBOF());
  EXPECT_TRUE(empty->atEOF());
  EXPECT_EQ(empty->RecordCount(), 0);
  AutomationError read = raisedError([&] { byName(*empty, Variant(int32_t{0})); });
  EXPECT_EQ(read.number(), 3021);
  EXPECT_EQ(read.description(), kNoCurrentRecord);
  // With both BOF and EOF true, no move is allowed either.
  EXPECT_EQ(raisedError([&] { empty->call(u"MoveFirst"); }).number(), 3021);
  EXPECT_EQ(raisedError([&] { empty->call(u"MoveNext"); }).number(), 3021);

  Ref<Recordset> one = recordsetOf({u"RightCode"}, {{Variant(u"01")}});
  one->MoveNext();
  ASSERT_TRUE(one->atEOF());
  EXPECT_EQ(raisedError([&] { byName(*one, Variant(u"RightCode")); }).number(), 3021);
  EXPECT_EQ(raisedError([&] { one->MoveNext(); }).number(), 3021) << "MoveNext at EOF";
  // A record added to an empty recordset becomes its current record.
  empty->addRecord({Variant(u"02")});
  EXPECT_EQ(CStr(byName(*empty, Variant(int32_t{0}))), u"02");
}

TEST(Recordset, UnknownFieldsAreError3265) {
  Ref<Recordset> rs = threeWarnings();
  for (const Variant& index : {Variant(u"Missing"), Variant(int32_t{3}), Variant(int32_t{-1}), Variant(u""),
                               Variant(3.0e12), Variant::null()}) {
    AutomationError e = raisedError([&] { byName(*rs, index); });
    EXPECT_EQ(e.number(), 3265) << toUtf8(typeName(index.type()));
    EXPECT_EQ(e.description(), kNotFound);
  }
  // An ordinal is rounded like any automation whole number: 1.5 is field 2.
  EXPECT_EQ(CStr(byName(*rs, Variant(1.5))), u"first");
}

TEST(Recordset, AClosedRecordsetAnswersNothing) {
  Ref<Recordset> rs = threeWarnings();
  Variant field = rs->Fields(Variant(int32_t{0}));
  rs->call(u"Close");
  EXPECT_FALSE(rs->isOpen());
  for (const char16_t* member : {u"RecordCount", u"BOF", u"EOF", u"MoveFirst", u"MoveNext", u"Fields", u"Close"}) {
    AutomationError e = raisedError([&] { rs->get(member); });
    EXPECT_EQ(e.number(), 3704) << toUtf8(member);
    EXPECT_EQ(e.description(), u"Operation is not allowed when the object is closed.");
  }
  EXPECT_EQ(raisedError([&] { CStr(field); }).number(), 3704) << "a field taken before Close";
}

TEST(Recordset, ARecordOfTheWrongWidthIsRefusedAndChangesNothing) {
  Ref<Recordset> rs = recordsetOf({u"A", u"B"}, {{Variant(int32_t{1}), Variant(int32_t{2})}});
  EXPECT_EQ(raisedError([&] { rs->addRecord({Variant(int32_t{3})}); }).number(), 5);
  EXPECT_EQ(rs->RecordCount(), 1);
  // A by-reference value is stored as what it stands for, not as a link to the caller's variable.
  Variant target(int32_t{5});
  rs->addRecord({Variant::byRef(target), Variant(int32_t{6})});
  target = Variant(int32_t{99});
  rs->MoveNext();
  EXPECT_EQ(CLng(rs->value(0)), 5);
}

TEST(RecordsetAccess, AnAnswerThatIsNoObjectIs424) {
  EXPECT_EQ(raisedError([] { recordsets::fromAnswer(Variant(u"text")); }).number(), 424);
  EXPECT_EQ(raisedError([] { recordsets::fromAnswer(Variant()); }).number(), 424);
  EXPECT_EQ(raisedError([] { recordsets::fromAnswer(Variant::nothing()); }).number(), 91);
}

// Values are kept compactly (numbers in place, texts and objects aside) and in blocks of
// records: every kind comes back with its type and value, on either side of a block's end.
TEST(Recordset, EveryKindOfValueComesBackAsItWasStoredAcrossManyRecords) {
  Variant byRefTarget(u"through a reference");
  const std::vector<Variant> kinds = {
      Variant(),
      Variant::null(),
      Variant(int16_t{-7}),
      Variant(int32_t{200312}),
      Variant(1.5f),
      Variant(-2.25),
      Variant::currency(123456),
      Variant::date(37986.5),
      Variant::error(kMissingScode),
      Variant(true),
      Variant(false),
      Variant::byte(255),
      Variant(u"文本"),
      Variant(String()),
      Variant::byteArray({1, 2, 3}),
      Variant(threeWarnings()),
      Variant::nothing(),
  };
  Ref<Recordset> rs = make<Recordset>(std::vector<String>{u"A", u"B", u"C"});
  constexpr int kRecords = 3000;  // several blocks of whole records
  for (int r = 0; r < kRecords; ++r) {
    std::vector<Variant> row;
    for (size_t c = 0; c < 3; ++c) row.push_back(kinds[(static_cast<size_t>(r) * 3 + c) % kinds.size()]);
    if (r == kRecords - 1) row[2] = Variant::byRef(byRefTarget);
    rs->addRecord(std::move(row));
  }
  ASSERT_EQ(rs->RecordCount(), kRecords);
  rs->MoveFirst();
  for (int r = 0; r < kRecords; ++r, rs->MoveNext()) {
    for (int32_t c = 0; c < 3; ++c) {
      const Variant& expected = r == kRecords - 1 && c == 2 ? byRefTarget
                                                             : kinds[(static_cast<size_t>(r) * 3 + c) % kinds.size()];
      const Variant& got = rs->value(c);
      ASSERT_FALSE(got.isByRef());
      ASSERT_TRUE(got.sameAs(expected)) << "record " << r << " field " << c;
      // Reading through the field objects gives the same.
      ASSERT_TRUE(byName(*rs, Variant(c)).sameAs(expected)) << "record " << r << " field " << c;
    }
  }
  EXPECT_TRUE(rs->atEOF());
  rs->Close();
  EXPECT_EQ(raisedError([&] { rs->value(0); }).number(), 3704);
}
