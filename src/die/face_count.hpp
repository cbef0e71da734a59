// Counting faces straight from the lanes, a whole round of 64 draws at a time.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "draw_lanes.hpp"

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
