// Benchmarks of sampling: the program's sample_mean, each counting path, and the naive loop.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "die.hpp"
#include "draw_stream.hpp"
#include "face_count.hpp"

namespace {

// Nanoseconds per roll: Google Benchmark divides by the time, and kInvert turns it over.
void report_ns_per_roll(benchmark::State& state, double rolls_per_iteration) {
  state.counters["ns_per_roll"] =
      benchmark::Counter(rolls_per_iteration * static_cast<double>(state.iterations()) / 1e9,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void sample_mean_bench(benchmark::State& state) {
  const auto size = static_cast<std::int32_t>(state.range(0));
  seed_draws(1);
  for (auto _ : state) benchmark::DoNotOptimize(sample_mean(size));
  report_ns_per_roll(state, static_cast<double>(size));
}
BENCHMARK(sample_mean_bench)->Arg(1)->Arg(1'000)->Arg(1'000'000)->Arg(100'000'000);

// What a first attempt looks like: the C library's generator (its 15 high bits
// of 31 on glibc), one division and up to five branches per roll.
void naive_loop_bench(benchmark::State& state) {
  const auto size = static_cast<std::int32_t>(state.range(0));
  std::srand(1);
  for (auto _ : state) {
    std::int64_t total = 0;
    for (std::int32_t i = 0; i < size; ++i) total += roll_die(std::rand() >> 16);
    benchmark::DoNotOptimize(static_cast<double>(total) / size);
  }
  report_ns_per_roll(state, static_cast<double>(size));
}
BENCHMARK(naive_loop_bench)->Arg(1'000)->Arg(1'000'000)->Arg(100'000'000);

// Each counting path this processor can run, on whole rounds only.
void register_counter_benches() {
  for (const named_face_counter& counter : runnable_face_counters()) {
    benchmark::RegisterBenchmark(
        ("face_counter/" + std::string(counter.name)).c_str(),
        [count = counter.count](benchmark::State& state) {
          xoshiro_lanes lanes = seeded_lanes(1);
          const auto rounds = static_cast<std::uint64_t>(state.range(0)) / draws_per_round;
          for (auto _ : state) benchmark::DoNotOptimize(count(lanes, rounds));
          report_ns_per_roll(state, static_cast<double>(rounds * draws_per_round));
        })
        ->Arg(100'000'000);
  }
}

}  // namespace

int main(int argc, char** argv) {
  register_counter_benches();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
