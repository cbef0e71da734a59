// Vectors of eight lanes for AVX-512 (F and BW: 16-bit operations on 512 bits).
#pragma once

#include <immintrin.h>

#include "lane_ops_generic.hpp"

#define DIE_AVX512_EXTENSIONS(first, then) first("avx512f") then("avx512bw") then("avx512vl")

struct avx512_ops : lane_vectors<64> {
  static constexpr bool avx512_shape = true;
  [[DIE_TARGET(DIE_AVX512_EXTENSIONS)]] static void high_product(
      u16v& product, const u16v& a, std::uint16_t multiplier) noexcept {
    product = reinterpret_cast<u16v>(_mm512_mulhi_epu16(
        reinterpret_cast<__m512i>(a), _mm512_set1_epi16(static_cast<short>(multiplier))));
  }
  // A signed minimum, as for SSE2.
  [[DIE_TARGET(DIE_AVX512_EXTENSIONS)]] static void minimum(u16v& result, const u16v& a,
                                                            std::uint16_t bound) noexcept {
    result = reinterpret_cast<u16v>(_mm512_min_epi16(reinterpret_cast<__m512i>(a),
                                                     _mm512_set1_epi16(static_cast<short>(bound))));
  }
};
