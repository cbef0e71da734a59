// Tests of the draw source: the generator against its reference, and its pinned sequence.
#include "draw_source.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "draw_lanes.hpp"

namespace {

std::vector<int> draws_after_seed(std::uint32_t seed, std::size_t count) {
  seed_draws(seed);
  std::vector<int> draws(count);
  for (int& draw : draws) draw = next_draw();
  return draws;
}

}  // namespace

// Outputs of Vigna's reference xoshiro256++ from the state {1, 2, 3, 4}.
TEST(draw_source, generator_matches_xoshiro256pp_reference) {
  std::uint64_t s0 = 1;
  std::uint64_t s1 = 2;
  std::uint64_t s2 = 3;
  std::uint64_t s3 = 4;
  EXPECT_EQ(xoshiro256pp_step(s0, s1, s2, s3), 41943041U);
  EXPECT_EQ(xoshiro256pp_step(s0, s1, s2, s3), 58720359U);
  EXPECT_EQ(xoshiro256pp_step(s0, s1, s2, s3), 3588806011781223U);
}

// The sequence for one seed, pinned. A deliberate change to the seeding or the
// lane layout changes these numbers: update them from a reference computation.
TEST(draw_source, seeded_sequence_is_pinned) {
  const std::vector<int> draws = draws_after_seed(20261208, 72);
  const std::vector<int> first_round_start(draws.begin(), draws.begin() + 16);
  const std::vector<int> second_round_start(draws.begin() + 64, draws.end());
  EXPECT_EQ(first_round_start,
            (std::vector<int>{3768, 29949, 25346, 5265, 27255, 9071, 6648, 204, 25696, 17249, 18302,
                              24497, 10885, 30231, 25561, 28775}));
  EXPECT_EQ(second_round_start,
            (std::vector<int>{2694, 15711, 15067, 26840, 2317, 28197, 27763, 29867}));
}

TEST(draw_source, same_seed_gives_same_draws_and_reseeding_starts_over) {
  const std::vector<int> first = draws_after_seed(7, 1000);
  EXPECT_EQ(draws_after_seed(7, 1000), first);
  EXPECT_NE(draws_after_seed(8, 1000), first);
}

TEST(draw_source, draws_cover_exactly_zero_to_max_draw) {
  seed_draws(1);
  std::vector<bool> seen(max_draw + 1);
  int lowest = max_draw;
  int highest = 0;
  for (int i = 0; i < (1 << 20); ++i) {
    const int draw = next_draw();
    lowest = std::min(lowest, draw);
    highest = std::max(highest, draw);
    if (draw >= 0 && draw <= max_draw) seen[static_cast<std::size_t>(draw)] = true;
  }
  EXPECT_EQ(lowest, 0);
  EXPECT_EQ(highest, max_draw);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), true), max_draw + 1);
}
