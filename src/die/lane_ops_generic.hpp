// Vectors of lanes in GCC and clang's vector extensions, with the two operations
// that the extensions lack, written portably; and the macros that turn an
// instruction-set extension list into a target attribute and a run-time check.
#pragma once

#include <cstddef>
#include <cstdint>

template <std::size_t bytes>
struct lane_vectors {
  using u64v [[gnu::vector_size(bytes)]] = std::uint64_t;
  using u32v [[gnu::vector_size(2 * bytes)]] = std::uint32_t;
  using u16v [[gnu::vector_size(bytes)]] = std::uint16_t;
  using i16v [[gnu::vector_size(bytes)]] = std::int16_t;
};

// For any processor: what the compiler makes of plain vector code, in either
// shape of count_rounds. Results go to references, never by value (see
// xoshiro256pp_step).
template <std::size_t bytes, bool shaped_for_avx512 = false>
struct generic_ops : lane_vectors<bytes> {
  static constexpr bool avx512_shape = shaped_for_avx512;
  using typename lane_vectors<bytes>::u16v;
  using typename lane_vectors<bytes>::u32v;
  // The high 16 bits of each 16 x 16-bit product.
  static void high_product(u16v& product, const u16v& a, std::uint16_t multiplier) noexcept {
    product = __builtin_convertvector((__builtin_convertvector(a, u32v) * multiplier) >> 16U, u16v);
  }
  static void minimum(u16v& result, const u16v& a, std::uint16_t bound) noexcept {
    result = a < bound ? a : u16v{} + bound;
  }
};

// An extension list is a macro `extensions(first, then)` that names each
// extension once, the first through `first` and the others through `then`:
//   #define X_EXTENSIONS(first, then) first("avx512f") then("avx512bw")
// The same list gives the target attribute of the code that needs them ...
#define DIE_LISTED_FIRST(extension) extension
#define DIE_LISTED_THEN(extension) "," extension
#define DIE_TARGET(extensions) gnu::target(extensions(DIE_LISTED_FIRST, DIE_LISTED_THEN))
// ... and the check, at run time, that the processor has them all.
#define DIE_SUPPORTED(extension) &&__builtin_cpu_supports(extension)
#define DIE_RUNS(extensions) (true extensions(DIE_SUPPORTED, DIE_SUPPORTED))
