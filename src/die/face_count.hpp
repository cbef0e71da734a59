// Counting faces straight from the lanes, a whole round of 64 draws at a time.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "draw_lanes.hpp"

// Why this arithmetic equals roll_die: roll_die compares draw / 32767.0
// with 0.16, 0.32, 0.48, 0.64 and 0.82. Division by a positive constant is
// monotone, so each comparison flips at one integer draw: the first draws of
// faces 2 to 6 are 5243, 10486, 15729, 20971 and 26869, and the face is 1 plus
// the number of those bounds that the draw reaches. The first four bounds lie
// 5243, 5243 and 5242 apart, so floor(draw / P) counts them for any P in
// (5242.5, 5242.75]; floor(draw * 25601 / 2^27) is such a quotient in 16-bit
// arithmetic: one multiply-high and one shift, capped at 4, instead of four
// compares. The fifth bound is one compare. The tests check the whole mapping
// against roll_die on all 32768 draws.
inline constexpr std::uint32_t quotient_multiplier = 25601;  // 2^27 / 25601 = 5242.7
inline constexpr int quotient_shift = 16 + 11;
inline constexpr std::int16_t first_draw_of_six = 26869;

// The draw in the top 15 bits of a 16-bit word, counted without division:
// how many of the first four face bounds it reaches (0 to 4) ...
[[gnu::always_inline]] constexpr std::uint16_t first_four_reached(std::uint16_t word) noexcept {
  const auto draw = static_cast<std::uint16_t>(word >> 1);
  // A high half and a shift, so that compilers emit a 16-bit multiply-high.
  const auto high = static_cast<std::uint16_t>((draw * quotient_multiplier) >> 16);
  const auto quotient = static_cast<std::uint16_t>(high >> (quotient_shift - 16));
  return quotient < 4 ? quotient : std::uint16_t{4};
}

// ... and whether it reaches the fifth, the first draw of face 6.
[[gnu::always_inline]] constexpr bool reaches_six(std::uint16_t word) noexcept {
  // Signed: SSE2 has signed 16-bit compares, not unsigned ones.
  return static_cast<std::int16_t>(word >> 1) >= first_draw_of_six;
}

// (face - 1) for the draw in the top 15 bits of a word.
constexpr int faces_above_one(std::uint16_t word) noexcept {
  return first_four_reached(word) + (reaches_six(word) ? 1 : 0);
}

// Steps the lanes `rounds` times and returns the sum of (face - 1) over the
// rounds' draws, exactly as roll_die would give it draw by draw.
using face_counter = std::uint64_t (*)(xoshiro_lanes& lanes, std::uint64_t rounds);

// The fastest counter this processor can run.
face_counter best_face_counter();

// Every counter this processor can run, portable first: for tests and benchmarks.
struct named_face_counter {
  std::string_view name;
  face_counter count;
};
std::vector<named_face_counter> runnable_face_counters();
