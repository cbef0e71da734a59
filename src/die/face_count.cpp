// Counting faces: the plain definition, and the vector template compiled for
// each instruction set, of which the fastest that the processor has is chosen.
#include "face_count.hpp"

#include <array>
#include <cstddef>

#include "draw_stream.hpp"

#if defined(__GNUC__)  // GCC and clang: vector extensions
#define DIE_HAS_VECTORS 1
#include "face_count_kernel.hpp"
#include "lane_ops_generic.hpp"
#endif
#if defined(DIE_HAS_VECTORS) && defined(__x86_64__)
#define DIE_HAS_X86_VECTORS 1
#include "lane_ops_avx2.hpp"
#include "lane_ops_avx512.hpp"
#include "lane_ops_sse2.hpp"
#endif
#if defined(DIE_HAS_VECTORS) && defined(__wasm_simd128__)
#define DIE_HAS_WASM_VECTORS 1
#include "lane_ops_wasm.hpp"
#endif

namespace {

// The definition, one word at a time: for compilers without vector extensions.
std::uint64_t count_plain(xoshiro_lanes& lanes, std::uint64_t rounds) noexcept {
  std::uint64_t total = 0;
  for (; rounds > 0; --rounds) {
    for (std::size_t lane = 0; lane < lane_count; ++lane) {
      std::uint64_t output = 0;
      xoshiro256pp_step(lanes.s0[lane], lanes.s1[lane], lanes.s2[lane], lanes.s3[lane], output);
      for (std::size_t word = 0; word < words_per_output; ++word) {
        total += static_cast<std::uint64_t>(
            faces_above_one(static_cast<std::uint16_t>(output >> (16 * word))));
      }
    }
  }
  return total;
}

#ifdef DIE_HAS_VECTORS
template <std::size_t bytes, bool avx512_shape = false>
std::uint64_t count_generic(xoshiro_lanes& lanes, std::uint64_t rounds) noexcept {
  return count_rounds<generic_ops<bytes, avx512_shape>>(lanes, rounds);
}
#endif

#ifdef DIE_HAS_X86_VECTORS
std::uint64_t count_sse2(xoshiro_lanes& lanes, std::uint64_t rounds) noexcept {
  return count_rounds<sse2_ops>(lanes, rounds);
}

[[DIE_TARGET(DIE_AVX2_EXTENSIONS), gnu::flatten]] std::uint64_t count_avx2(
    xoshiro_lanes& lanes, std::uint64_t rounds) noexcept {
  return count_rounds<avx2_ops>(lanes, rounds);
}

[[DIE_TARGET(DIE_AVX512_EXTENSIONS), gnu::flatten]] std::uint64_t count_avx512(
    xoshiro_lanes& lanes, std::uint64_t rounds) noexcept {
  return count_rounds<avx512_ops>(lanes, rounds);
}
#endif

#ifdef DIE_HAS_WASM_VECTORS
std::uint64_t count_simd128(xoshiro_lanes& lanes, std::uint64_t rounds) noexcept {
  return count_rounds<simd128_ops>(lanes, rounds);
}
#endif

}  // namespace

namespace {

// The counters that this processor can run, slowest first, in an array of
// fixed size: choosing the fastest allocates nothing, so that sampling, which
// cannot fail, never meets a heap that refuses memory.
struct runnable_list {
  std::array<named_face_counter, 3> counters;
  std::size_t count;
};

runnable_list runnable() noexcept {
#if defined(DIE_HAS_X86_VECTORS)
  runnable_list list{{{{"sse2", count_sse2}}}, 1};
  __builtin_cpu_init();
  if (DIE_RUNS(DIE_AVX2_EXTENSIONS)) list.counters.at(list.count++) = {"avx2", count_avx2};
  if (DIE_RUNS(DIE_AVX512_EXTENSIONS)) list.counters.at(list.count++) = {"avx512", count_avx512};
  return list;
#elif defined(DIE_HAS_WASM_VECTORS)
  return {{{{"vector", count_generic<16>}, {"simd128", count_simd128}}}, 2};
#elif defined(DIE_HAS_VECTORS)
  return {{{{"vector", count_generic<16>}}}, 1};
#else
  return {{{{"plain", count_plain}}}, 1};
#endif
}

}  // namespace

std::vector<named_face_counter> runnable_face_counters() {
  const runnable_list list = runnable();
  return {list.counters.begin(), list.counters.begin() + static_cast<std::ptrdiff_t>(list.count)};
}

face_counter best_face_counter() noexcept {
  static const face_counter best = [] {
    const runnable_list list = runnable();
    return list.counters.at(list.count - 1).count;
  }();
  return best;
}

std::vector<named_face_counter> face_counter_shapes() {
#ifdef DIE_HAS_VECTORS
  return {{"plain", count_plain},
          {"vector_16_bytes", count_generic<16>},
          {"vector_32_bytes", count_generic<32>},
          {"vector_64_bytes", count_generic<64>},
          {"vector_64_bytes_avx512_shape", count_generic<64, true>}};
#else
  return {{"plain", count_plain}};
#endif
}
