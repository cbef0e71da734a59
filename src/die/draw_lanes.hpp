// The draw source's engine: sixteen xoshiro256++ generators stepped side by side.
//
// xoshiro256++ (Blackman and Vigna, "Scrambled Linear Pseudorandom Number
// Generators", ACM TOMS 2021) has period 2^256 - 1, passes BigCrush, and must
// never be in the all-zero state. Lane 0 is filled with four outputs of
// SplitMix64 started from the seed, as Vigna advises: SplitMix64's output
// function is a bijection, so the four words are distinct (at most one is
// zero), and neighbouring seeds give unrelated states. Lane k + 1 is lane k
// advanced 2^128 steps by the jump polynomial, so no two lanes ever overlap.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t lane_count = 16;

// One array per state word, so that neighbouring lanes load as one vector.
struct xoshiro_lanes {
  std::array<std::uint64_t, lane_count> s0;
  std::array<std::uint64_t, lane_count> s1;
  std::array<std::uint64_t, lane_count> s2;
  std::array<std::uint64_t, lane_count> s3;
};

// One step of xoshiro256++, Vigna's reference code, with its output in
// `output`. `words` is std::uint64_t for one generator, or a GCC/clang vector
// of them for several side by side: the rotations are written out so that
// both compile, and nothing is passed by value, so that no vector crosses a
// call between code built for different instruction sets. `three_way` writes
// the six in-place xors as three-input xors of the old state: the same
// values, and one AVX-512 vpternlogq each; elsewhere the reference form is faster.
template <bool three_way = false, class words>
[[gnu::always_inline]] inline void xoshiro256pp_step(words& s0, words& s1, words& s2, words& s3,
                                                     words& output) noexcept {
  const words sum = s0 + s3;
  output = (sum << 23U | sum >> 41U) + s0;
  const words t = s1 << 17U;
  if constexpr (three_way) {
    const words next_s1 = s1 ^ s2 ^ s0;
    const words next_s0 = s0 ^ s3 ^ s1;
    const words next_s2 = s2 ^ s0 ^ t;
    const words next_s3 = s3 ^ s1;
    s0 = next_s0;
    s1 = next_s1;
    s2 = next_s2;
    s3 = next_s3;
  } else {
    s2 ^= s0;
    s3 ^= s1;
    s1 ^= s2;
    s0 ^= s3;
    s2 ^= t;
  }
  s3 = s3 << 45U | s3 >> 19U;
}

xoshiro_lanes seeded_lanes(std::uint32_t seed) noexcept;
