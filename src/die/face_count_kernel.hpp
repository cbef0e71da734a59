// Counting faces in explicit vectors: one template for every instruction set.
#pragma once

#include <algorithm>
#include <cstring>

#include "draw_stream.hpp"
#include "face_count.hpp"

template <class ops>
struct lane_vector {
  typename ops::u64v s0, s1, s2, s3;
};

template <class ops>
[[gnu::always_inline]] inline void load(lane_vector<ops>& vector, const xoshiro_lanes& lanes,
                                        std::size_t first) noexcept {
  std::memcpy(&vector.s0, &lanes.s0[first], sizeof vector.s0);
  std::memcpy(&vector.s1, &lanes.s1[first], sizeof vector.s1);
  std::memcpy(&vector.s2, &lanes.s2[first], sizeof vector.s2);
  std::memcpy(&vector.s3, &lanes.s3[first], sizeof vector.s3);
}

template <class ops>
[[gnu::always_inline]] inline void store(const lane_vector<ops>& vector, xoshiro_lanes& lanes,
                                         std::size_t first) noexcept {
  std::memcpy(&lanes.s0[first], &vector.s0, sizeof vector.s0);
  std::memcpy(&lanes.s1[first], &vector.s1, sizeof vector.s1);
  std::memcpy(&lanes.s2[first], &vector.s2, sizeof vector.s2);
  std::memcpy(&lanes.s3[first], &vector.s3, sizeof vector.s3);
}

// One round of a vector of lanes: each lane steps once, and each word of its
// output adds its (face - 1) to the word's counter, by the arithmetic of
// faces_above_one. Quotients are at most 6, so a signed minimum serves.
// `ops::avx512_shape` asks for the forms that AVX-512 runs fastest: the step's
// three-input xors, and the sixes counted by a masked add of 1 (a compare
// into a mask register and one add) instead of subtracting the compare's -1.
template <class ops>
[[gnu::always_inline]] inline void step_and_count(lane_vector<ops>& vector,
                                                  typename ops::u16v& counters) noexcept {
  using u16v = typename ops::u16v;
  using i16v = typename ops::i16v;
  typename ops::u64v output;
  xoshiro256pp_step<ops::avx512_shape>(vector.s0, vector.s1, vector.s2, vector.s3, output);
  // Any word order serves: a sum over whole rounds does not depend on it.
  const u16v draws = reinterpret_cast<u16v>(output) >> 1U;
  u16v quotients;
  ops::high_product(quotients, draws, static_cast<std::uint16_t>(quotient_multiplier));
  quotients >>= quotient_shift - 16;
  ops::minimum(quotients, quotients, bounds_by_quotient);
  counters += quotients;
  const auto six = reinterpret_cast<i16v>(draws) >= static_cast<std::int16_t>(first_draw_of_six);
  if constexpr (ops::avx512_shape) {
    counters = six ? counters + 1 : counters;
  } else {
    counters -= reinterpret_cast<u16v>(six);  // a true compare is -1
  }
}

// The lanes go two vectors at a time through all the rounds, so that their
// state and counters stay in registers (16 of them for SSE2 and AVX2); a sum
// over whole rounds does not depend on the order of the lanes either, and
// every lane ends `rounds` steps on, as if stepped round by round.
template <class ops>
std::uint64_t count_rounds(xoshiro_lanes& lanes, std::uint64_t rounds) noexcept {
  using u16v = typename ops::u16v;
  constexpr std::size_t lanes_per_vector = sizeof(typename ops::u64v) / sizeof(std::uint64_t);
  static_assert(lane_count % (2 * lanes_per_vector) == 0);
  std::uint64_t total = 0;
  for (std::size_t first = 0; first < lane_count; first += 2 * lanes_per_vector) {
    lane_vector<ops> a;
    lane_vector<ops> b;
    load(a, lanes, first);
    load(b, lanes, first + lanes_per_vector);
    for (std::uint64_t left = rounds; left > 0;) {
      const std::uint64_t block = std::min(left, rounds_per_block);
      u16v counters_a{};
      u16v counters_b{};
      for (std::uint64_t round = 0; round < block; ++round) {
        step_and_count(a, counters_a);
        step_and_count(b, counters_b);
      }
      counters_a += counters_b;
      for (std::size_t word = 0; word < sizeof(u16v) / sizeof(std::uint16_t); ++word) {
        total += counters_a[word];
      }
      left -= block;
    }
    store(a, lanes, first);
    store(b, lanes, first + lanes_per_vector);
  }
  return total;
}
