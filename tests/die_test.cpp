// Tests of the loaded die: the face table, exact means, and seeded determinism.
#include "die.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(roll_die, maps_the_first_and_last_draw_of_every_face) {
  struct edge {
    int draw;
    int face;
  };
  for (const edge e : std::vector<edge>{{0, 1},
                                        {5242, 1},
                                        {5243, 2},
                                        {10485, 2},
                                        {10486, 3},
                                        {15728, 3},
                                        {15729, 4},
                                        {20970, 4},
                                        {20971, 5},
                                        {26868, 5},
                                        {26869, 6},
                                        {32767, 6}}) {
    EXPECT_EQ(roll_die(e.draw), e.face) << "draw " << e.draw;
  }
}

TEST(roll_die, every_draw_once_gives_the_loaded_shares_and_mean) {
  std::vector<int> count(7);
  std::int64_t total = 0;
  for (int draw = 0; draw <= max_draw; ++draw) {
    const int face = roll_die(draw);
    ++count[static_cast<std::size_t>(face)];
    total += face;
  }
  EXPECT_EQ(count, (std::vector<int>{0, 5243, 5243, 5243, 5242, 5898, 5899}));
  EXPECT_EQ(total, 117310);
  EXPECT_EQ(static_cast<double>(total) / 32768, 3.58001708984375);
}

TEST(sample_mean, size_one_gives_a_whole_face) {
  for (std::uint32_t seed = 0; seed < 200; ++seed) {
    seed_draws(seed);
    const double mean = sample_mean(1);
    EXPECT_EQ(mean, std::floor(mean));
    EXPECT_GE(mean, 1.0);
    EXPECT_LE(mean, 6.0);
  }
}

TEST(sample_mean, same_seed_gives_same_means_for_same_sizes) {
  const auto means = [](std::uint32_t seed) {
    seed_draws(seed);
    std::vector<double> result;
    for (const std::int32_t size : {10, 100, 1000, 10}) result.push_back(sample_mean(size));
    return result;
  };
  EXPECT_EQ(means(1765000000), means(1765000000));
  EXPECT_NE(means(1765000000), means(1765000001));
}

TEST(sample_mean, large_sample_settles_near_the_loaded_mean) {
  seed_draws(42);
  // The die's mean is 3.5800; its standard error at 10^7 rolls is about 0.0005.
  EXPECT_NEAR(sample_mean(10'000'000), 3.58, 0.003);
}
