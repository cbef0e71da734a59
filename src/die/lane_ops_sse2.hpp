// Vectors of two lanes for SSE2, which every x86-64 processor has.
#pragma once

#include <emmintrin.h>

#include "lane_ops_generic.hpp"

struct sse2_ops : lane_vectors<16> {
  static constexpr bool avx512_shape = false;
  static void high_product(u16v& product, const u16v& a, std::uint16_t multiplier) noexcept {
    product = reinterpret_cast<u16v>(_mm_mulhi_epu16(
        reinterpret_cast<__m128i>(a), _mm_set1_epi16(static_cast<short>(multiplier))));
  }
  // SSE2 has a signed 16-bit minimum only: the same where both are below 2^15.
  static void minimum(u16v& result, const u16v& a, std::uint16_t bound) noexcept {
    result = reinterpret_cast<u16v>(
        _mm_min_epi16(reinterpret_cast<__m128i>(a), _mm_set1_epi16(static_cast<short>(bound))));
  }
};
