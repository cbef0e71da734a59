// Tests that the batched sampling gives exactly what rolling draw by draw gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "die.hpp"
#include "draw_stream.hpp"
#include "face_count.hpp"

namespace {

// The mean by its definition: one next_draw and one roll_die per roll.
double defined_mean(std::int32_t size) {
  std::int64_t total = 0;
  for (std::int32_t i = 0; i < size; ++i) total += roll_die(next_draw());
  return static_cast<double>(total) / size;
}

constexpr std::uint64_t round_draws = draws_per_round;
constexpr std::uint64_t block_draws = rounds_per_block * round_draws;

}  // namespace

TEST(face_count, arithmetic_matches_roll_die_on_every_word) {
  for (int word = 0; word <= 0xffff; ++word) {
    ASSERT_EQ(faces_above_one(static_cast<std::uint16_t>(word)), roll_die(word >> 1) - 1)
        << "word " << word;
  }
}

// Each counter, and each shape of counter whatever the processor, against the
// same rounds rolled draw by draw: the same sum, and the lanes left alike.
TEST(face_count, every_counter_matches_rounds_rolled_one_by_one) {
  std::vector<named_face_counter> counters = runnable_face_counters();
  const std::vector<named_face_counter> shapes = face_counter_shapes();
  counters.insert(counters.end(), shapes.begin(), shapes.end());
  for (const named_face_counter& counter : counters) {
    for (const std::uint64_t rounds :
         {std::uint64_t{1}, std::uint64_t{2}, rounds_per_block - 1, rounds_per_block,
          rounds_per_block + 1, 2 * rounds_per_block + 1}) {
      const auto seed = static_cast<std::uint32_t>(rounds);
      draw_stream by_draws(seed);
      std::uint64_t expected = 0;
      for (std::uint64_t draw = 0; draw < rounds * round_draws; ++draw) {
        expected += static_cast<std::uint64_t>(roll_die(by_draws.next_draw()) - 1);
      }
      xoshiro_lanes counted = seeded_lanes(seed);
      EXPECT_EQ(counter.count(counted, rounds), expected) << counter.name << ", " << rounds;
      EXPECT_EQ(counted.s0, by_draws.lanes().s0) << counter.name << " leaves the lanes elsewhere";
      EXPECT_EQ(counted.s3, by_draws.lanes().s3) << counter.name << " leaves the lanes elsewhere";
    }
  }
}

// The fastest counter that the processor can run is the one used.
TEST(face_count, the_fastest_runnable_counter_is_chosen) {
  const std::vector<named_face_counter> runnable = runnable_face_counters();
  EXPECT_EQ(best_face_counter(), runnable.back().count) << runnable.back().name;
#if defined(__GNUC__) && defined(__x86_64__)
  std::vector<std::string_view> expected{"sse2"};
  if (__builtin_cpu_supports("avx2")) expected.emplace_back("avx2");
  if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl")) {
    expected.emplace_back("avx512");
  }
  std::vector<std::string_view> names(runnable.size());
  std::transform(runnable.begin(), runnable.end(), names.begin(),
                 [](const named_face_counter& counter) { return counter.name; });
  EXPECT_EQ(names, expected);
#elif defined(__wasm_simd128__)
  EXPECT_EQ(runnable.back().name, "simd128");
#endif
}

// Each size starts at another point of a round: some draws are already used.
TEST(sample_mean, equals_the_definition_for_every_small_size) {
  const auto seed_and_skip = [](std::uint32_t seed, std::int32_t skipped) {
    seed_draws(seed);
    for (std::int32_t i = 0; i < skipped; ++i) next_draw();
  };
  for (const std::uint32_t seed : {0U, 1U, 2026U}) {
    for (std::int32_t size = 1; size <= 3000; ++size) {
      const std::uint32_t size_seed = seed * 7919 + static_cast<std::uint32_t>(size);
      seed_and_skip(size_seed, size % 67);
      const double expected = defined_mean(size);
      seed_and_skip(size_seed, size % 67);
      ASSERT_EQ(sample_mean(size), expected) << "seed " << seed << ", size " << size;
    }
  }
}

TEST(sample_mean, equals_the_definition_around_round_and_block_edges) {
  for (const std::uint64_t edge :
       {round_draws, 2 * round_draws, block_draws, 2 * block_draws + 3 * round_draws}) {
    for (const std::uint64_t size : {edge - 1, edge, edge + 1}) {
      seed_draws(static_cast<std::uint32_t>(size));
      const double expected = defined_mean(static_cast<std::int32_t>(size));
      seed_draws(static_cast<std::uint32_t>(size));
      EXPECT_EQ(sample_mean(static_cast<std::int32_t>(size)), expected) << "size " << size;
    }
  }
}

// Draws generated ahead are kept: any mix of single draws and samples of any
// sizes takes the same stream as next_draw alone.
TEST(sample_mean, leaves_the_stream_where_the_definition_would) {
  const std::vector<std::int32_t> steps{
      5, 1, 64, 3, 200, 63, 1000003, 1, static_cast<std::int32_t>(2 * block_draws + 17), 7};
  seed_draws(77);
  std::vector<double> expected;
  for (const std::int32_t size : steps) {
    expected.push_back(defined_mean(size));
    expected.push_back(next_draw());
  }
  seed_draws(77);
  std::vector<double> batched;
  for (const std::int32_t size : steps) {
    batched.push_back(sample_mean(size));
    batched.push_back(next_draw());
  }
  EXPECT_EQ(batched, expected);
}

TEST(sample_mean, size_below_one_takes_no_draw_and_has_no_mean) {
  seed_draws(3);
  const int first = next_draw();
  seed_draws(3);
  for (const std::int32_t size : {0, -1, -2147483647 - 1})
    EXPECT_TRUE(std::isnan(sample_mean(size)));
  EXPECT_EQ(next_draw(), first);
}

// The largest sample, against the same draws taken in three parts: the parts'
// totals are exact, so their sum must give the very same double.
TEST(sample_mean, largest_size_uses_the_exact_total) {
  constexpr std::int32_t largest = 2147483647;
  seed_draws(5);
  const double mean = sample_mean(largest);
  seed_draws(5);
  std::int64_t total = 0;
  for (const std::int32_t part : {1'000'000'000, 1'000'000'000, 147'483'647}) {
    total += std::llround(sample_mean(part) * part);
  }
  EXPECT_EQ(mean, static_cast<double>(total) / largest);
  EXPECT_NEAR(mean, 3.58, 0.001);
}
