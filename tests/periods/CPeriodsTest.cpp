// Accounting periods loaded from a (fake) middle tier: positions, keys, neighbours, Year and
// Number, enumeration, the load's failures, cursors without a count, and the lifetime of a
// period and its collection.
#include <gtest/gtest.h>

#include <tuple>

#include "app/CApplication.h"
#include "app/GZRGNTUtil.h"
#include "periods/CPeriod.h"
#include "periods/CPeriods.h"
#include "platform/automation/Conversions.h"
#include "support/FakeMidTier.h"
#include "support/RaisedError.h"

using namespace lv8int;
using lv8int::test::FakeMidTier;
using lv8int::test::recordsetOf;

namespace {

constexpr char16_t kProgID[] = u"ZRMDictUtil.utilPeriod";

using lv8int::test::raisedError;

double dateOf(const char16_t* text) { return CDate(Variant(text)); }

std::vector<Variant> periodRow(int32_t id, int32_t status = 0) {
  const int32_t month = id % 100 >= 1 && id % 100 <= 12 ? id % 100 : 1;
  const String start = u"2003-" + String(month < 10 ? u"0" : u"") + toString(month) + u"-01";
  return {Variant(id), Variant::date(dateOf(start.c_str())), Variant::date(dateOf(start.c_str()) + 27),
          Variant(status)};
}

std::vector<std::vector<Variant>> rowsFor(const std::vector<int32_t>& ids) {
  std::vector<std::vector<Variant>> rows;
  for (int32_t id : ids) rows.push_back(periodRow(id, id % 2));
  return rows;
}

const std::vector<String> kFields{u"ID", u"StartDate", u"EndDate", u"Status"};

std::vector<int32_t> year2003() {
  std::vector<int32_t> ids;
  for (int32_t m = 1; m <= 12; ++m) ids.push_back(200300 + m);
  return ids;
}

Ref<CPeriods> load() {
  Ref<CPeriods> periods = make<CPeriods>();
  periods->LoadPeriods(GZRGNTUtil::sharedApplication());
  return periods;
}

Ref<CPeriod> at(CPeriods& periods, Variant index) { return periods.Item(index); }

int32_t idOf(const Ref<CPeriod>& p) { return p ? p->ID() : -1; }

}  // namespace

TEST(CPeriods, TwelveMonthsByPositionKeyAndNeighbours) {
  FakeMidTier mid(kProgID, u"GetAllPeriod");
  mid.answerRows(kFields, rowsFor(year2003()));
  Ref<CPeriods> periods = load();
  ASSERT_EQ(mid.component().calls.size(), 1u);
  EXPECT_EQ(mid.component().calls[0], (std::vector<String>{u"", u""})) << "StrEnv and strEnvValue";

  ASSERT_EQ(periods->Count(), 12);
  EXPECT_EQ(idOf(at(*periods, Variant(int32_t{1}))), 200301);
  Ref<CPeriod> may = at(*periods, Variant(u"200305"));
  ASSERT_TRUE(may);
  EXPECT_EQ(may->Number(), 5);
  EXPECT_EQ(may->Year(), 2003);
  EXPECT_EQ(may->Status(), 1);
  EXPECT_EQ(CStr(may->StartDate()), u"2003-05-01");
  EXPECT_EQ(may->StartDate().type(), VarType::Date);
  EXPECT_EQ(CStr(may->EndDate()), u"2003-05-28");
  EXPECT_FALSE(at(*periods, Variant(int32_t{12}))->NextPeriod());
  EXPECT_FALSE(at(*periods, Variant(int32_t{1}))->PreviousPeriod());
  EXPECT_EQ(idOf(at(*periods, Variant(int32_t{6}))->PreviousPeriod()), 200305);
  EXPECT_EQ(idOf(at(*periods, Variant(int32_t{11}))->NextPeriod()), 200312);
  // The same object while it is held, by key and by position alike.
  EXPECT_TRUE(may == at(*periods, Variant(int32_t{5})));
}

TEST(CPeriods, NeighboursFollowTheMiddleTiersOrderNotTheIDs) {
  FakeMidTier mid(kProgID, u"GetAllPeriod");
  mid.answerRows(kFields, rowsFor({200303, 200301, 200312, 200302}));
  Ref<CPeriods> periods = load();
  Ref<CPeriod> first = at(*periods, Variant(u"200301"));
  EXPECT_EQ(idOf(first->PreviousPeriod()), 200303);
  EXPECT_EQ(idOf(first->NextPeriod()), 200312);
  EXPECT_EQ(idOf(at(*periods, Variant(int32_t{4}))), 200302);
  std::vector<int32_t> order;
  forEach(Ref<Object>(periods), [&](const Variant& v) { order.push_back(CLng(v.rawObject()->get(u"ID"))); });
  EXPECT_EQ(order, (std::vector<int32_t>{200303, 200301, 200312, 200302})) << "enumeration in position order";
}

TEST(CPeriods, ItemByKeyTextOrByPosition) {
  FakeMidTier mid(kProgID, u"GetAllPeriod");
  mid.answerRows(kFields, rowsFor(year2003()));
  Ref<CPeriods> periods = load();
  EXPECT_FALSE(at(*periods, Variant(u"209901"))) << "an ID text that is not there is no object, no error";
  EXPECT_EQ(raisedError([&] { at(*periods, Variant(int32_t{0})); }).number(), 9);
  EXPECT_EQ(raisedError([&] { at(*periods, Variant(int32_t{200312})); }).number(), 9) << "a number is a position";
  EXPECT_EQ(raisedError([&] { at(*periods, Variant::null()); }).number(), 5);
  // By name, through the default member, with a by-reference argument as a host passes it.
  Variant key(u"200307");
  Args args{Variant::byRef(key)};
  Variant found = periods->invokeId(DISPID_VALUE, InvokeKind::Method, args);
  EXPECT_EQ(CLng(found.rawObject()->get(u"Number")), 7);
  EXPECT_EQ(CLng(periods->get(u"Count")), 12);
}

TEST(CPeriod, YearRoundsHalfToEvenAndNumberFollowsIt) {
  FakeMidTier mid(kProgID, u"GetAllPeriod");
  mid.answerRows(kFields, rowsFor({200349, 200350, 200351, 200450, 200312}));
  Ref<CPeriods> periods = load();
  auto yearAndNumber = [&](const char16_t* id) {
    Ref<CPeriod> p = at(*periods, Variant(id));
    return std::make_pair(p->Year(), p->Number());
  };
  EXPECT_EQ(yearAndNumber(u"200349"), std::make_pair(2003, 49));
  EXPECT_EQ(yearAndNumber(u"200350"), std::make_pair(2004, -50));
  EXPECT_EQ(yearAndNumber(u"200351"), std::make_pair(2004, -49));
  EXPECT_EQ(yearAndNumber(u"200450"), std::make_pair(2004, 50)) << "2004.5 goes to the even 2004";
  EXPECT_EQ(yearAndNumber(u"200312"), std::make_pair(2003, 12));
}

TEST(CPeriods, ARepeatedIDFailsWithTheDuplicateKeyError) {
  FakeMidTier mid(kProgID, u"GetAllPeriod");
  mid.answerRows(kFields, rowsFor({200301, 200302, 200301, 200303}));
  Ref<CPeriods> periods = make<CPeriods>();
  EXPECT_EQ(raisedError([&] { periods->LoadPeriods(GZRGNTUtil::sharedApplication()); }).number(), 457);
  EXPECT_EQ(periods->Count(), 0) << "no half-loaded list is kept";
}

TEST(CPeriods, KeysAreTheIDFieldsOwnText) {
  FakeMidTier mid(kProgID, u"GetAllPeriod");
  // The ID arrives as text and as a Double: the key is its text, the ID its Long value.
  std::vector<std::vector<Variant>> rows = rowsFor({200301, 200302});
  rows[0][0] = Variant(u"200301");
  rows[1][0] = Variant(200302.0);
  mid.answerRows(kFields, rows);
  Ref<CPeriods> periods = load();
  EXPECT_EQ(idOf(at(*periods, Variant(u"200301"))), 200301);
  EXPECT_EQ(idOf(at(*periods, Variant(u"200302"))), 200302);
}

TEST(CPeriods, AnEmptyAnswerIsAnEmptyListAndAnUnconvertibleValueFails) {
  FakeMidTier mid(kProgID, u"GetAllPeriod");
  mid.answerRows(kFields, {});
  EXPECT_EQ(load()->Count(), 0);

  std::vector<std::vector<Variant>> rows = rowsFor({200301});
  rows[0][1] = Variant(u"no date");
  mid.answerRows(kFields, rows);
  EXPECT_EQ(raisedError([] { load(); }).number(), 13);

  mid.answerRows({u"ID", u"StartDate", u"EndDate"}, {{Variant(int32_t{200301}), Variant(0.0), Variant(0.0)}});
  EXPECT_EQ(raisedError([] { load(); }).number(), 3265) << "a missing field";
}

TEST(CPeriods, ARecordsetWithoutACountIsReadToItsEnd) {
  FakeMidTier mid(kProgID, u"GetAllPeriod");
  Ref<Recordset> rs = recordsetOf(kFields, rowsFor(year2003()));
  rs->setReportsRecordCount(false);
  mid.component().answer = [rs](const std::vector<Variant>&) { return Variant(rs); };
  Ref<CPeriods> periods = load();
  EXPECT_EQ(periods->Count(), 12);
  EXPECT_EQ(idOf(at(*periods, Variant(int32_t{12}))), 200312);
  EXPECT_FALSE(rs->isOpen()) << "the recordset is closed after the load";
}

TEST(CPeriods, AFailingMiddleTierReachesTheReader) {
  FakeMidTier mid(kProgID, u"GetAllPeriod");
  mid.answerError(vbObjectError + 77, u"服务器不可用");
  AutomationError e = raisedError([] { load(); });
  EXPECT_EQ(e.number(), vbObjectError + 77);
  EXPECT_EQ(e.description(), u"服务器不可用");
  mid.component().answer = [](const std::vector<Variant>&) { return Variant(u"not a recordset"); };
  EXPECT_EQ(raisedError([] { load(); }).number(), 424);
}

TEST(CPeriods, ApplicationPeriodsKeepsNoListFromAFailedLoad) {
  Ref<CApplication> app = GZRGNTUtil::sharedApplication();
  {
    FakeMidTier mid(kProgID, u"GetAllPeriod");
    mid.answerRows(kFields, rowsFor({200301, 200301}));
    EXPECT_EQ(raisedError([&] { app->Periods(); }).number(), 457);
    // The next read asks the middle tier again instead of handing out what was half loaded.
    mid.answerRows(kFields, rowsFor(year2003()));
    Ref<CPeriods> periods = app->Periods();
    EXPECT_EQ(periods->Count(), 12);
    EXPECT_EQ(mid.created(), 2);
    EXPECT_TRUE(periods == app->Periods()) << "a loaded list is kept";
    EXPECT_EQ(mid.created(), 2);
  }
  app->LogOut();  // nobody is logged in: LogOut does nothing, the periods stay
}

namespace {

// A recordset that answers only by name and records what is asked of it: what any component
// may return.
class LoggingRecordset : public Object {
 public:
  std::vector<std::vector<Variant>> rows;
  size_t pos = 0;
  std::vector<std::string> log;
  Variant invoke(StringView name, InvokeKind, Args&) override {
    log.push_back(toUtf8(name));
    if (name == u"RecordCount") return Variant(static_cast<int32_t>(rows.size()));
    if (name == u"BOF") return Variant(rows.empty());
    if (name == u"EOF") return Variant(pos >= rows.size());
    if (name == u"MoveFirst") return (pos = 0, Variant());
    if (name == u"MoveNext") return (++pos, Variant());
    if (name == u"Close") return Variant();
    if (name == u"Fields") return Variant(Ref<Object>(make<FieldsOf>(this)));
    raiseError(err::MemberNotSupported);
  }
  struct FieldsOf : Object {
    explicit FieldsOf(LoggingRecordset* rs) : rs(rs) {}
    Ref<LoggingRecordset> rs;
    Variant invoke(StringView name, InvokeKind, Args& args) override {
      if (name != u"Item") raiseError(err::MemberNotSupported);
      static const std::vector<String> names{u"ID", u"StartDate", u"EndDate", u"Status"};
      const String wanted = CStr(args.at(0));
      for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == wanted) return Variant(Ref<Object>(make<Value>(rs->rows.at(rs->pos).at(i))));
      raiseError(3265);
    }
  };
  struct Value : Object {
    explicit Value(Variant v) : v(std::move(v)) {}
    Variant v;
    Variant invoke(StringView name, InvokeKind, Args&) override {
      if (name != u"Value") raiseError(err::MemberNotSupported);
      return v;
    }
  };
};

}  // namespace

TEST(CPeriods, AnyObjectAnsweringTheRecordsetMembersServes) {
  FakeMidTier mid(kProgID, u"GetAllPeriod");
  Ref<LoggingRecordset> rs = make<LoggingRecordset>();
  rs->rows = rowsFor({200301, 200302});
  mid.component().answer = [rs](const std::vector<Variant>&) { return Variant(Ref<Object>(rs)); };
  Ref<CPeriods> periods = load();
  EXPECT_EQ(periods->Count(), 2);
  EXPECT_EQ(idOf(at(*periods, Variant(int32_t{2}))), 200302);
  // Checked for emptiness, moved to the first record, counted, read, closed.
  std::string calls;
  for (const std::string& c : rs->log) calls += c + ",";
  EXPECT_EQ(calls, "BOF,EOF,MoveFirst,RecordCount,Fields,Fields,Fields,Fields,MoveNext,Fields,Fields,Fields,Fields,"
                   "MoveNext,Close,");
}

TEST(CPeriods, AHeldPeriodKeepsItsListAndNothingOutlivesTheLastHolder) {
  FakeMidTier mid(kProgID, u"GetAllPeriod");
  mid.answerRows(kFields, rowsFor(year2003()));
  Ref<CPeriods> periods = load();
  CPeriods* list = periods.get();
  ASSERT_EQ(list->refCount(), 1);
  {
    Ref<CPeriod> june = at(*periods, Variant(int32_t{6}));
    EXPECT_EQ(list->refCount(), 2) << "the period holds its list";
    // Every period handed out and let go leaves no reference behind: no cycle.
    for (int32_t i = 1; i <= 12; ++i) at(*periods, Variant(i));
    std::vector<Variant> all;
    forEach(Ref<Object>(periods), [&](const Variant& v) { all.push_back(v); });
    EXPECT_EQ(list->refCount(), 13);
    all.clear();
    EXPECT_EQ(list->refCount(), 2);

    periods = nullptr;  // the application lets go (LogOut)
    EXPECT_EQ(list->refCount(), 1);
    EXPECT_EQ(idOf(june->NextPeriod()), 200307) << "neighbours stay reachable through a held period";
    EXPECT_EQ(idOf(june->NextPeriod()->NextPeriod()->PreviousPeriod()), 200307);
    EXPECT_EQ(list->refCount(), 1);
  }
  // The last holder is gone: the list went with it (the asan preset reports a leak otherwise).
}

namespace {

// The library's own recordset seen through another object that answers only by name, so the
// loader reads it as any component's recordset.
class ByNameOnly : public Object {
 public:
  explicit ByNameOnly(Ref<Recordset> rs) : rs_(std::move(rs)) {}
  Variant invoke(StringView name, InvokeKind kind, Args& args) override { return rs_->invoke(name, kind, args); }

 private:
  Ref<Recordset> rs_;
};

struct LoadOutcome {
  int32_t error = 0;
  std::vector<std::tuple<int32_t, double, double, int32_t, int32_t>> periods;  // ID, dates, status, by key
};

LoadOutcome loadThrough(FakeMidTier& mid, Ref<Recordset> rs, bool byName) {
  mid.component().answer = [rs, byName](const std::vector<Variant>&) {
    return byName ? Variant(Ref<Object>(make<ByNameOnly>(rs))) : Variant(rs);
  };
  LoadOutcome out;
  try {
    Ref<CPeriods> periods = load();
    for (int32_t i = 1; i <= periods->Count(); ++i) {
      Ref<CPeriod> p = at(*periods, Variant(i));
      out.periods.emplace_back(p->ID(), CDate(p->StartDate()), CDate(p->EndDate()), p->Status(),
                               idOf(at(*periods, Variant(toString(p->ID())))));
    }
  } catch (const AutomationError& e) {
    out.error = e.number();
  }
  return out;
}

}  // namespace

// The library's own recordset is read by position, any other by name: both give the same
// periods, the same keys and the same first error.
TEST(CPeriods, OwnRecordsetsAndRecordsetsByNameLoadTheSame) {
  struct Case {
    const char* what;
    std::vector<String> fields;
    std::vector<std::vector<Variant>> rows;
    int32_t error = 0;
    bool counted = true;
  };
  std::vector<Case> cases;
  cases.push_back({"a year", kFields, rowsFor(year2003()), 0});
  cases.push_back({"fields in another order and case",
                   {u"status", u"ENDDATE", u"id", u"startdate"},
                   {{Variant(int32_t{1}), Variant(u"2003-01-31"), Variant(u"200301"), Variant(u"2003-01-01")}},
                   0});
  cases.push_back({"no count", kFields, rowsFor({200301, 200302}), 0, false});
  cases.push_back({"empty", kFields, {}, 0});
  auto rows = rowsFor({200301, 200302});
  rows[1][2] = Variant(u"no date");
  cases.push_back({"an unconvertible date", kFields, rows, 13});
  cases.push_back({"a missing field and an unconvertible ID",
                   {u"ID", u"StartDate", u"Status"},
                   {{Variant(u"x"), Variant(0.0), Variant(int32_t{0})}},
                   3265});
  cases.push_back({"a repeated ID", kFields, rowsFor({200301, 200301}), 457});
  rows = rowsFor({200301});
  rows[0][3] = Variant::null();
  cases.push_back({"a Null status", kFields, rows, 94});

  FakeMidTier mid(kProgID, u"GetAllPeriod");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto make = [&] {
      Ref<Recordset> rs = recordsetOf(c.fields, c.rows);
      rs->setReportsRecordCount(c.counted);
      return rs;
    };
    Ref<Recordset> own = make(), foreign = make();
    const LoadOutcome direct = loadThrough(mid, own, false);
    const LoadOutcome byName = loadThrough(mid, foreign, true);
    EXPECT_EQ(direct.error, c.error);
    EXPECT_EQ(byName.error, c.error);
    EXPECT_EQ(direct.periods, byName.periods);
    EXPECT_EQ(own->isOpen(), foreign->isOpen()) << "closed after a load, left open by a failure";
  }
}

// Many periods, with and without a record count (the key index is sized once, or grows as
// records come): every key finds its position, in any case of its text, and a repeated ID
// late in the answer still fails the whole load.
TEST(CPeriods, ManyPeriodsAreFoundByKeyWhetherOrNotTheCountIsKnown) {
  FakeMidTier mid(kProgID, u"GetAllPeriod");
  std::vector<std::vector<Variant>> rows;
  for (int32_t i = 0; i < 3000; ++i) {
    rows.push_back(periodRow(190000 + (i / 48) * 100 + i % 48 + 1));
    // Text IDs as a middle tier may send them: the key is the text, in the case given.
    if (i % 500 == 7) rows.back()[0] = Variant(u"&H" + toString(i) + u"a");
  }
  for (bool counted : {true, false}) {
    SCOPED_TRACE(counted ? "counted" : "read to the end");
    Ref<Recordset> rs = recordsetOf(kFields, rows);
    rs->setReportsRecordCount(counted);
    mid.component().answer = [rs](const std::vector<Variant>&) { return Variant(rs); };
    Ref<CPeriods> periods = load();
    ASSERT_EQ(periods->Count(), 3000);
    for (int32_t i = 0; i < 3000; ++i) {
      const Variant key(CStr(rows[static_cast<size_t>(i)][0]));
      ASSERT_EQ(idOf(at(*periods, key)), idOf(at(*periods, Variant(i + 1)))) << i;
    }
    EXPECT_EQ(idOf(at(*periods, Variant(u"&h7A"))), CLng(Variant(u"&H7a")));
    EXPECT_FALSE(at(*periods, Variant(u"190001 ")));
    EXPECT_FALSE(at(*periods, Variant(u"")));
  }
  rows.push_back(periodRow(190001));
  mid.answerRows(kFields, rows);
  EXPECT_EQ(raisedError([] { load(); }).number(), 457);
}
