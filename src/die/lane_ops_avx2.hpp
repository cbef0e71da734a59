// Vectors of four lanes for AVX2.
#pragma once

#include <immintrin.h>

#include "lane_ops_generic.hpp"

#define DIE_AVX2_EXTENSIONS(first, then) first("avx2")

struct avx2_ops : lane_vectors<32> {
  static constexpr bool avx512_shape = false;
  [[DIE_TARGET(DIE_AVX2_EXTENSIONS)]] static void high_product(u16v& product, const u16v& a,
                                                               std::uint16_t multiplier) noexcept {
    product = reinterpret_cast<u16v>(_mm256_mulhi_epu16(
        reinterpret_cast<__m256i>(a), _mm256_set1_epi16(static_cast<short>(multiplier))));
  }
  // A signed minimum, as for SSE2.
  [[DIE_TARGET(DIE_AVX2_EXTENSIONS)]] static void minimum(u16v& result, const u16v& a,
                                                          std::uint16_t bound) noexcept {
    result = reinterpret_cast<u16v>(_mm256_min_epi16(reinterpret_cast<__m256i>(a),
                                                     _mm256_set1_epi16(static_cast<short>(bound))));
  }
};
