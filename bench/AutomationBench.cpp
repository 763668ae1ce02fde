// The automation runtime against plain C++: a late-bound call through a member table against
// a direct call, and Collection key lookup against std::unordered_map. Each subject benchmark
// also times its baseline in the same run (thread CPU time, so a busy machine does not skew
// one side) and reports the ratio as the counter "x_baseline".
#include <benchmark/benchmark.h>

#include <time.h>

#include <unordered_map>
#include <vector>

#include "platform/automation/Collection.h"
#include "platform/automation/Conversions.h"
#include "platform/automation/Dispatch.h"
#include "SideBySide.h"

namespace {

using namespace lv8int;

using lv8bench::cpuNs;

// The members are kept out of line, as a call into the library is.
class Account : public Object {
 public:
  [[gnu::noinline]] int32_t Deposit(double amount, const String& memo) {
    balance_ += amount;
    return static_cast<int32_t>(memo.size());
  }
  [[gnu::noinline]] void Reserve(int32_t& units) { units += 1; }
  [[gnu::noinline]] double Balance() const { return balance_; }

  const DispatchTable* dispatchTable() const override {
    static const DispatchTable table = DispatchBuilder<Account>(u"Account")
                                           .get(u"Name", &Account::Name, {.id = DISPID_VALUE})
                                           .method(u"Deposit", &Account::Deposit, {.required = 1})
                                           .method(u"Reserve", &Account::Reserve)
                                           .get(u"Balance", &Account::Balance)
                                           .get(u"CurrentBalanceOfTheAccount", &Account::Balance)
                                           .build();
    return &table;
  }
  String Name() const { return u"acct"; }

 private:
  double balance_ = 0;
};

template <class F>
double nsPerOp(int64_t n, F&& f) {
  double t0 = cpuNs();
  for (int64_t i = 0; i < n; ++i) f();
  return (cpuNs() - t0) / static_cast<double>(n);
}

// Runs `subject` under the benchmark's own loop, then `baseline` as many times, and reports
// both per-operation times and their ratio.
template <class S, class B>
void paired(benchmark::State& state, S&& subject, B&& baseline) {
  double t0 = cpuNs();
  for (auto _ : state) subject();
  const auto n = static_cast<int64_t>(state.iterations());
  double subjectNs = (cpuNs() - t0) / static_cast<double>(n);
  double baseNs = nsPerOp(n, baseline);
  state.counters["baseline_ns"] = baseNs;
  state.counters["x_baseline"] = subjectNs / baseNs;
}

void BM_Call_Direct(benchmark::State& state) {
  auto acct = make<Account>();
  String memo = u"m";
  for (auto _ : state) benchmark::DoNotOptimize(acct->Deposit(1.0, memo));
}
BENCHMARK(BM_Call_Direct);

void BM_Call_LateBound(benchmark::State& state) {
  auto acct = make<Account>();
  Ref<Object> obj = acct;
  String memo = u"m";
  paired(
      state,
      [&] {
        Args args{Variant(1.0), Variant(memo)};
        Variant r = obj->invoke(u"Deposit", InvokeKind::Method, args);
        benchmark::DoNotOptimize(r);
      },
      [&] { benchmark::DoNotOptimize(acct->Deposit(1.0, memo)); });
}
BENCHMARK(BM_Call_LateBound);

// A by-reference argument: conversion in, write-back out.
void BM_Call_LateBoundByRef(benchmark::State& state) {
  auto acct = make<Account>();
  Ref<Object> obj = acct;
  Variant units(int32_t{0});
  int32_t direct = 0;
  paired(
      state,
      [&] {
        Args args{Variant::byRef(units)};
        obj->invoke(u"Reserve", InvokeKind::Method, args);
        benchmark::DoNotOptimize(units);
      },
      [&] {
        acct->Reserve(direct);
        benchmark::DoNotOptimize(direct);
      });
}
BENCHMARK(BM_Call_LateBoundByRef);

// A property read by a long name, and the same read by dispatch id (no name lookup).
void BM_Get_LongName(benchmark::State& state) {
  auto acct = make<Account>();
  Ref<Object> obj = acct;
  paired(
      state,
      [&] {
        Args none;
        Variant r = obj->invoke(u"currentbalanceoftheaccount", InvokeKind::PropertyGet, none);
        benchmark::DoNotOptimize(r);
      },
      [&] { benchmark::DoNotOptimize(acct->Balance()); });
}
BENCHMARK(BM_Get_LongName);

void BM_Get_ById(benchmark::State& state) {
  auto acct = make<Account>();
  Ref<Object> obj = acct;
  const DispId id = obj->memberId(u"Balance");
  paired(
      state,
      [&] {
        Args none;
        Variant r = obj->invokeId(id, InvokeKind::PropertyGet, none);
        benchmark::DoNotOptimize(r);
      },
      [&] { benchmark::DoNotOptimize(acct->Balance()); });
}
BENCHMARK(BM_Get_ById);

// Keys as a ledger would use them: short codes and longer Chinese names.
std::vector<String> makeKeys(size_t n, bool chinese) {
  std::vector<String> keys;
  for (size_t i = 0; i < n; ++i)
    keys.push_back((chinese ? String(u"会计科目代码_") : String(u"Key")) + toString(static_cast<long long>(i)));
  return keys;
}

void collectionLookup(benchmark::State& state, bool chinese) {
  const auto keys = makeKeys(static_cast<size_t>(state.range(0)), chinese);
  auto c = make<Collection>();
  std::unordered_map<String, Variant> map;
  for (size_t i = 0; i < keys.size(); ++i) {
    c->Add(Variant(static_cast<int32_t>(i)), Variant(keys[i]));
    map.emplace(keys[i], Variant(static_cast<int32_t>(i)));
  }
  // Look up with the keys in another letter case, as callers do.
  std::vector<Variant> queries;
  for (const auto& k : keys) {
    String upper = k;
    for (auto& ch : upper)
      if (ch >= u'a' && ch <= u'z') ch = static_cast<char16_t>(ch - 32);
    queries.emplace_back(upper);
  }
  size_t i = 0, j = 0;
  paired(
      state,
      [&] {
        Variant v = c->Item(queries[i]);
        benchmark::DoNotOptimize(v);
        if (++i == queries.size()) i = 0;
      },
      [&] {
        Variant v = map.find(keys[j])->second;
        benchmark::DoNotOptimize(v);
        if (++j == keys.size()) j = 0;
      });
}

void BM_CollectionKey_Ascii(benchmark::State& state) { collectionLookup(state, false); }
BENCHMARK(BM_CollectionKey_Ascii)->Arg(16)->Arg(10000);

void BM_CollectionKey_Chinese(benchmark::State& state) { collectionLookup(state, true); }
BENCHMARK(BM_CollectionKey_Chinese)->Arg(16)->Arg(10000);

void BM_UnorderedMap_Find(benchmark::State& state) {
  const auto keys = makeKeys(static_cast<size_t>(state.range(0)), false);
  std::unordered_map<String, Variant> map;
  for (size_t i = 0; i < keys.size(); ++i) map.emplace(keys[i], Variant(static_cast<int32_t>(i)));
  size_t j = 0;
  for (auto _ : state) {
    auto it = map.find(keys[j]);
    benchmark::DoNotOptimize(it);
    if (++j == keys.size()) j = 0;
  }
}
BENCHMARK(BM_UnorderedMap_Find)->Arg(16)->Arg(10000);

}  // namespace
