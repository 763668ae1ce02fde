#pragma once
// Side-by-side timing of a library path and its raw anchor in one run. Every benchmark
// iteration runs both, `batch` times each, alternating which goes first, on the thread's CPU
// clock (kernel time included, time spent waiting for the CPU left out, as the machine may be
// busy). Counters: ours_ns and raw_ns per operation and x_raw, their ratio. Run with
// --benchmark_repetitions and read the medians.
#include <benchmark/benchmark.h>

#include <time.h>

#include <utility>

namespace lv8bench {

inline double cpuNs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

// The wall clock, for paths whose work runs on other threads or processes (a server's), which
// the caller's CPU clock would leave out.
inline double wallNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

// Runs both sides `batch` times each per iteration, alternating which goes first, on the clock
// `now` (nanoseconds); returns the total time of each.
template <class Clock, class Ours, class Raw>
std::pair<double, double> interleaved(benchmark::State& state, int batch, Clock now, Ours&& ours, Raw&& raw) {
  double oursNs = 0, rawNs = 0;
  bool oursFirst = true;
  auto timed = [batch, now](auto& f) {
    const double t0 = now();
    for (int i = 0; i < batch; ++i) f();
    return now() - t0;
  };
  for (auto _ : state) {
    if (oursFirst) {
      oursNs += timed(ours);
      rawNs += timed(raw);
    } else {
      rawNs += timed(raw);
      oursNs += timed(ours);
    }
    oursFirst = !oursFirst;
  }
  return {oursNs, rawNs};
}

template <class Ours, class Raw>
void sideBySide(benchmark::State& state, int batch, Ours&& ours, Raw&& raw, double (*clock)() = cpuNs) {
  const auto [oursNs, rawNs] = interleaved(state, batch, clock, ours, raw);
  const double n = static_cast<double>(state.iterations()) * batch;
  state.counters["ours_ns"] = oursNs / n;
  state.counters["raw_ns"] = rawNs / n;
  state.counters["x_raw"] = oursNs / rawNs;
}

}  // namespace lv8bench
