// The loaded die: how a draw becomes a face, and the mean of a sample of rolls.
#pragma once

#include <array>
#include <cstdint>

#include "draw_source.hpp"

// Exclusive upper bounds of the scaled draw (draw / 32767) for faces 1 to 5;
// face 6 takes the rest. Faces 5 and 6 get 0.18 each where a fair die gives
// 1/6: the die is loaded, and its long-run mean is near 3.58 instead of 3.5.
inline constexpr std::array<double, 5> face_thresholds{0.16, 0.32, 0.48, 0.64, 0.82};

// The face, 1 to 6, for a draw from 0 to max_draw. A scaled draw equal to a
// bound belongs to the face above it (no integer draw falls on one).
constexpr int roll_die(int draw) noexcept {
  const double scaled = static_cast<double>(draw) / static_cast<double>(max_draw);
  int face = 1;
  for (const double bound : face_thresholds) {
    if (scaled < bound) return face;
    ++face;
  }
  return face;
}

// Rolls the die `size` times (size from 1 to 2147483647) and returns the
// exact total of the faces divided by size; NaN, and no roll, for a size below 1.
double sample_mean(std::int32_t size);
