// The loaded die's face table, and the division-free arithmetic derived from it.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "draw_source.hpp"

// Exclusive upper bounds of the scaled draw (draw / 32767) for faces 1 to 5;
// face 6 takes the rest. Faces 5 and 6 get 0.18 each where a fair die gives
// 1/6: the die is loaded, and its long-run mean is near 3.58 instead of 3.5.
inline constexpr std::array<double, 5> face_thresholds{0.16, 0.32, 0.48, 0.64, 0.82};
inline constexpr int face_count = static_cast<int>(face_thresholds.size()) + 1;

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

// Rising bounds make roll_die rise with the draw: each face is one run of draws.
static_assert(std::is_sorted(face_thresholds.begin(), face_thresholds.end()) &&
              face_thresholds.front() > 0 && face_thresholds.back() <= 1);

// The first draw of a face (1 to 6), found by bisection on roll_die itself.
constexpr int first_draw_of(int face) noexcept {
  int low = 0;
  int high = max_draw + 1;
  while (low < high) {
    const int middle = (low + high) / 2;
    if (roll_die(middle) >= face) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  return low;
}

// The samplers count faces without division. With bound k the first draw of
// face k + 1, face - 1 is the number of bounds that the draw reaches. The
// first four bounds are reached by floor(draw / P), capped at 4, for any P
// with (bound k - 1) / k < P <= bound k / k for k = 1 to 4: here P in
// (5242 2/3, 5242.75]. P = 2^27 / quotient_multiplier is such a divisor, and
// the quotient is one 16-bit multiply-high and a shift. The fifth bound is one
// compare. A change of the table that breaks this stops the build below.
inline constexpr int quotient_shift = 27;
inline constexpr int bounds_by_quotient = 4;
inline constexpr std::uint32_t quotient_multiplier = [] {
  std::uint64_t least = 0;  // the smallest multiplier that keeps P <= bound k / k
  for (int k = 1; k <= bounds_by_quotient; ++k) {
    const auto bound = static_cast<std::uint64_t>(first_draw_of(k + 1));
    least = std::max(
        least,
        ((std::uint64_t{1} << quotient_shift) * static_cast<std::uint64_t>(k) + bound - 1) / bound);
  }
  return static_cast<std::uint32_t>(least);
}();
inline constexpr int first_draw_of_six = first_draw_of(6);
static_assert(quotient_multiplier < (1U << 16) && quotient_shift >= 16,
              "the quotient must be a 16-bit multiply-high and a shift");

// (face - 1) for the draw in the top 15 bits of a 16-bit word, as the samplers
// compute it; the vector samplers do the same, many words at a time.
constexpr int faces_above_one(std::uint16_t word) noexcept {
  const std::uint32_t draw = word >> 1U;
  const auto quotient = static_cast<int>((draw * quotient_multiplier) >> quotient_shift);
  return std::min(quotient, bounds_by_quotient) +
         (static_cast<int>(draw) >= first_draw_of_six ? 1 : 0);
}

// Checked on every draw, in four parts so that each stays within every
// compiler's default limit on compile-time evaluation.
constexpr bool faces_above_one_matches_roll_die(int first, int last) noexcept {
  for (int draw = first; draw <= last; ++draw) {
    if (faces_above_one(static_cast<std::uint16_t>(draw << 1)) != roll_die(draw) - 1) return false;
  }
  return true;
}
static_assert(faces_above_one_matches_roll_die(0, 8191));
static_assert(faces_above_one_matches_roll_die(8192, 16383));
static_assert(faces_above_one_matches_roll_die(16384, 24575));
static_assert(faces_above_one_matches_roll_die(24576, max_draw));
