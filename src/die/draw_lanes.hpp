// The draw source's engine: sixteen xoshiro256++ generators stepped side by side.
//
// xoshiro256++ (Blackman and Vigna, "Scrambled Linear Pseudorandom Number
// Generators", ACM TOMS 2021) has period 2^256 - 1, passes BigCrush, and must
// never be in the all-zero state. Lane 0 is filled with four outputs of
// SplitMix64 started from the seed, as Vigna advises: SplitMix64's output
// function is a bijection, so the four words are distinct (at most one is
// zero), and neighbouring seeds give unrelated states. Lane k + 1 is lane k
// advanced 2^128 steps by the jump polynomial, so no two lanes ever overlap.
//
// A round steps every lane once. Each 64-bit output is four 16-bit words, and a
// draw is the top 15 bits of a word: a round yields 64 draws, lane by lane,
// each output's least significant word first.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

inline constexpr int lane_count = 16;
inline constexpr int words_per_output = 4;
inline constexpr int draws_per_round = lane_count * words_per_output;

// One array per state word, so that loops over the lanes become vector code.
struct xoshiro_lanes {
  std::array<std::uint64_t, lane_count> s0;
  std::array<std::uint64_t, lane_count> s1;
  std::array<std::uint64_t, lane_count> s2;
  std::array<std::uint64_t, lane_count> s3;
};

using lane_outputs = std::array<std::uint64_t, lane_count>;

// One step of one xoshiro256++ generator; returns its output.
[[gnu::always_inline]] inline std::uint64_t xoshiro256pp_step(std::uint64_t& s0, std::uint64_t& s1,
                                                              std::uint64_t& s2,
                                                              std::uint64_t& s3) noexcept {
  const std::uint64_t result = std::rotl(s0 + s3, 23) + s0;
  const std::uint64_t t = s1 << 17;
  s2 ^= s0;
  s3 ^= s1;
  s1 ^= s2;
  s0 ^= s3;
  s2 ^= t;
  s3 = std::rotl(s3, 45);
  return result;
}

// One round: every lane steps once.
[[gnu::always_inline]] inline void step_lanes(xoshiro_lanes& lanes,
                                              lane_outputs& outputs) noexcept {
  for (std::size_t i = 0; i < lane_count; ++i) {
    outputs[i] = xoshiro256pp_step(lanes.s0[i], lanes.s1[i], lanes.s2[i], lanes.s3[i]);
  }
}

// Draw number `word` (0 to 3) of a 64-bit output.
constexpr int draw_in_output(std::uint64_t output, int word) noexcept {
  return static_cast<int>((output >> (16 * word + 1)) & 0x7fffU);
}

xoshiro_lanes seeded_lanes(std::uint32_t seed) noexcept;

// The run's draw source: its lanes and the round of draws in hand. Draws of a
// round that are not used yet stay for the next caller, whoever that is.
struct draw_stream {
  xoshiro_lanes lanes;
  std::array<std::int16_t, draws_per_round> round;
  int used_in_round;
};

draw_stream& the_draw_stream() noexcept;

// Steps the lanes once and puts the round's draws in hand.
void start_round(draw_stream& stream) noexcept;
