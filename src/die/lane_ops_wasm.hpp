// Vectors of two lanes for WebAssembly SIMD128, which every current browser runs.
#pragma once

#include <wasm_simd128.h>

#include "faces.hpp"
#include "lane_ops_generic.hpp"

struct simd128_ops : lane_vectors<16> {
  static constexpr bool avx512_shape = false;
  // SIMD128 has no 16-bit multiply-high. Its dot product of 16-bit pairs (one
  // pmaddwd on x86) against (m, 0) and (0, m) gives the 32-bit products of the
  // even and of the odd words; the even ones' high halves are shifted down into
  // place and the odd ones' blended in (one pblendw). Signed, so both factors
  // must stay below 2^15: draws are 15 bits, and the multiplier is below.
  static void high_product(u16v& product, const u16v& a, std::uint16_t multiplier) noexcept {
    const v128_t words = reinterpret_cast<v128_t>(a);
    const v128_t even = wasm_i32x4_dot_i16x8(words, wasm_i32x4_splat(multiplier));
    const v128_t odd = wasm_i32x4_dot_i16x8(words, wasm_i32x4_splat(multiplier << 16));
    product = reinterpret_cast<u16v>(
        wasm_i16x8_shuffle(wasm_u32x4_shr(even, 16), odd, 0, 9, 2, 11, 4, 13, 6, 15));
  }
  static void minimum(u16v& result, const u16v& a, std::uint16_t bound) noexcept {
    result = reinterpret_cast<u16v>(wasm_u16x8_min(
        reinterpret_cast<v128_t>(a), wasm_i16x8_splat(static_cast<std::int16_t>(bound))));
  }
};
static_assert(quotient_multiplier < (1U << 15), "the signed dot product would overflow");
