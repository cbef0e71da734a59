// Counting faces: the plain definition, and the vector template compiled for
// each instruction set, of which the fastest that the processor has is chosen.
#include "face_count.hpp"

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

std::vector<named_face_counter> runnable_face_counters() {
#if defined(DIE_HAS_X86_VECTORS)
  std::vector<named_face_counter> counters{{"sse2", count_sse2}};
  __builtin_cpu_init();
  if (DIE_RUNS(DIE_AVX2_EXTENSIONS)) counters.push_back({"avx2", count_avx2});
  if (DIE_RUNS(DIE_AVX512_EXTENSIONS)) counters.push_back({"avx512", count_avx512});
  return counters;
#elif defined(DIE_HAS_WASM_VECTORS)
  return {{"vector", count_generic<16>}, {"simd128", count_simd128}};
#elif defined(DIE_HAS_VECTORS)
  return {{"vector", count_generic<16>}};
#else
  return {{"plain", count_plain}};
#endif
}

face_counter best_face_counter() {
  static const face_counter best = runnable_face_counters().back().count;
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
