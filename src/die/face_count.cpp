// Counting faces straight from the lanes, in plain loops that compilers vectorize.
#include "face_count.hpp"

#include <array>
#include <cstring>

namespace {

// xoshiro256++'s step with its six in-place xors written as three-way xors of
// the old state: the same values, and one AVX-512 vpternlogq each. Elsewhere
// the reference's two-input form is the faster one. GCC 12 finds all three
// vpternlogq only when the three are computed before any word is stored back.
[[gnu::always_inline]] inline std::uint64_t xoshiro256pp_step_three_way(
    std::uint64_t& s0, std::uint64_t& s1, std::uint64_t& s2, std::uint64_t& s3) noexcept {
  const std::uint64_t result = std::rotl(s0 + s3, 23) + s0;
  const std::uint64_t t = s1 << 17;
  const std::uint64_t next_s1 = s1 ^ s2 ^ s0;
  const std::uint64_t next_s0 = s0 ^ s3 ^ s1;
  const std::uint64_t next_s2 = s2 ^ s0 ^ t;
  s3 = std::rotl(s3 ^ s1, 45);
  s0 = next_s0;
  s1 = next_s1;
  s2 = next_s2;
  return result;
}

[[gnu::always_inline]] inline void step_lanes_three_way(xoshiro_lanes& lanes,
                                                        lane_outputs& outputs) noexcept {
  for (std::size_t i = 0; i < lane_count; ++i) {
    outputs[i] = xoshiro256pp_step_three_way(lanes.s0[i], lanes.s1[i], lanes.s2[i], lanes.s3[i]);
  }
}

// How a target counts best: AVX-512 has three-input logic and masked adds.
enum class instruction_set { baseline, avx512 };

// Each round adds at most 5 to each 16-bit counter: 4096 rounds reach at most
// 20480, far from overflow, before the counters are emptied into 64 bits.
constexpr std::uint64_t rounds_per_block = 4096;

template <instruction_set target>
[[gnu::always_inline]] inline std::uint64_t count_rounds(xoshiro_lanes& shared,
                                                         std::uint64_t rounds) {
  xoshiro_lanes lanes = shared;  // a local copy, so that the state can live in registers
  std::uint64_t total = 0;
  while (rounds > 0) {
    const std::uint64_t block = rounds < rounds_per_block ? rounds : rounds_per_block;
    // One counter per draw slot of a round: no reduction inside the loop.
    std::array<std::uint16_t, draws_per_round> counters{};
    for (std::uint64_t round = 0; round < block; ++round) {
      lane_outputs outputs;
      if constexpr (target == instruction_set::avx512) {
        step_lanes_three_way(lanes, outputs);
      } else {
        step_lanes(lanes, outputs);
      }
      // The round's 64 words in memory order. On a big-endian machine that
      // order is another permutation of the same words, and a sum does not
      // care about order.
      std::array<std::uint16_t, draws_per_round> words;
      std::memcpy(words.data(), outputs.data(), sizeof words);
      for (std::size_t slot = 0; slot < draws_per_round; ++slot) {
        const std::uint16_t word = words[slot];
        if constexpr (target == instruction_set::avx512) {
          // The branch becomes a compare and a masked add.
          counters[slot] = static_cast<std::uint16_t>(counters[slot] + first_four_reached(word));
          if (reaches_six(word)) ++counters[slot];
        } else {
          counters[slot] = static_cast<std::uint16_t>(counters[slot] + first_four_reached(word) +
                                                      reaches_six(word));
        }
      }
    }
    for (const std::uint16_t count : counters) total += count;
    rounds -= block;
  }
  shared = lanes;
  return total;
}

std::uint64_t count_portable(xoshiro_lanes& lanes, std::uint64_t rounds) {
  return count_rounds<instruction_set::baseline>(lanes, rounds);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define DIE_HAS_X86_VARIANTS 1

// The same loops compiled for AVX2 (x86-64-v3) and AVX-512 (x86-64-v4); which
// one runs is chosen once from the processor's features. Chosen by hand rather
// than with target_clones, so that tests and benchmarks can run every variant
// that the processor has, and clang honours all of them.
[[gnu::target("avx2,bmi,bmi2,fma,popcnt")]] std::uint64_t count_avx2(xoshiro_lanes& lanes,
                                                                     std::uint64_t rounds) {
  return count_rounds<instruction_set::baseline>(lanes, rounds);
}

[[gnu::target(
    "avx512f,avx512bw,avx512vl,avx512dq,avx512cd,avx2,bmi,bmi2,fma,popcnt")]] std::uint64_t
count_avx512(xoshiro_lanes& lanes, std::uint64_t rounds) {
  return count_rounds<instruction_set::avx512>(lanes, rounds);
}

bool runs_avx2() noexcept {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2") &&
         __builtin_cpu_supports("fma");
}

bool runs_avx512() noexcept {
  return runs_avx2() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq");
}
#endif

}  // namespace

std::vector<named_face_counter> runnable_face_counters() {
  std::vector<named_face_counter> counters{{"portable", count_portable}};
#ifdef DIE_HAS_X86_VARIANTS
  if (runs_avx2()) counters.push_back({"avx2", count_avx2});
  if (runs_avx512()) counters.push_back({"avx512", count_avx512});
#endif
  return counters;
}

face_counter best_face_counter() {
  static const face_counter best = runnable_face_counters().back().count;
  return best;
}
