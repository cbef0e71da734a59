// The die is as random as it claims: chi-square tests on fixed seeds, so
// that no run can fail by chance; the thresholds catch a broken draw source.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numeric>
#include <vector>

#include "die.hpp"

namespace {

// Draws of each face out of 32768: the die's exact shares.
constexpr std::array<double, 6> face_draws{5243, 5243, 5243, 5242, 5898, 5899};
// Chi-square with 5 degrees of freedom exceeds this with probability 0.001.
constexpr double chi_square_5_at_0_001 = 20.515;

double chi_square(const std::array<std::int64_t, 6>& observed,
                  const std::array<double, 6>& shares) {
  const auto total = static_cast<double>(std::accumulate(observed.begin(), observed.end(), 0LL));
  const double share_total = std::accumulate(shares.begin(), shares.end(), 0.0);
  double sum = 0;
  for (std::size_t face = 0; face < 6; ++face) {
    const double expected = total * shares[face] / share_total;
    const double difference = static_cast<double>(observed[face]) - expected;
    sum += difference * difference / expected;
  }
  return sum;
}

}  // namespace

TEST(randomness, faces_of_a_large_sample_follow_the_loaded_shares) {
  seed_draws(20261208);
  std::array<std::int64_t, 6> faces{};
  for (int roll = 0; roll < (1 << 24); ++roll)
    ++faces[static_cast<std::size_t>(roll_die(next_draw()) - 1)];
  EXPECT_LT(chi_square(faces, face_draws), chi_square_5_at_0_001);
  // The same counts tell the loaded die from a fair one beyond any doubt.
  EXPECT_GT(chi_square(faces, {1, 1, 1, 1, 1, 1}), 1000.0);
}

// Runs started in consecutive seconds get consecutive seeds: their first rolls
// must spread like the die and must not follow one another.
TEST(randomness, first_rolls_of_consecutive_seeds_are_unrelated) {
  constexpr std::uint32_t first_second = 1765000000;  // December 2025
  std::array<std::int64_t, 6> faces{};
  std::vector<double> first_draws;
  for (std::uint32_t seed = first_second; seed < first_second + 1000; ++seed) {
    seed_draws(seed);
    const int draw = next_draw();
    first_draws.push_back(draw);
    ++faces[static_cast<std::size_t>(roll_die(draw) - 1)];
  }
  EXPECT_LT(chi_square(faces, face_draws), chi_square_5_at_0_001);

  // Correlation of each first draw with the next second's: about N(0, 1/sqrt(999)).
  const double mean = std::accumulate(first_draws.begin(), first_draws.end(), 0.0) / 1000;
  double covariance = 0;
  double variance = 0;
  for (std::size_t i = 0; i + 1 < first_draws.size(); ++i) {
    covariance += (first_draws[i] - mean) * (first_draws[i + 1] - mean);
  }
  for (const double draw : first_draws) variance += (draw - mean) * (draw - mean);
  EXPECT_LT(std::abs(covariance / variance), 0.11);
}
