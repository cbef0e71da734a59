// The draw source's engine: sixteen xoshiro256++ lanes seeded through SplitMix64.
#include "draw_lanes.hpp"

namespace {

// SplitMix64 (Steele, Lea and Flood, "Fast Splittable Pseudorandom Number
// Generators", OOPSLA 2014), the seeder that Vigna's xoshiro reference names.
std::uint64_t splitmix64(std::uint64_t& state) noexcept {
  std::uint64_t z = (state += 0x9e3779b97f4a7c15U);
  z = (z ^ (z >> 30U)) * 0xbf58476d1ce4e5b9U;
  z = (z ^ (z >> 27U)) * 0x94d049bb133111ebU;
  return z ^ (z >> 31U);
}

// Vigna's jump() for xoshiro256: the lane advanced by 2^128 steps.
void jump_lane(xoshiro_lanes& lanes, std::size_t lane) noexcept {
  constexpr std::array<std::uint64_t, 4> jump_polynomial{0x180ec6d33cfd0abaU, 0xd5a61266f0c9392cU,
                                                         0xa9582618e03fc9aaU, 0x39abdc4529b1661cU};
  std::uint64_t s0 = lanes.s0[lane];
  std::uint64_t s1 = lanes.s1[lane];
  std::uint64_t s2 = lanes.s2[lane];
  std::uint64_t s3 = lanes.s3[lane];
  std::array<std::uint64_t, 4> jumped{};
  for (const std::uint64_t bits : jump_polynomial) {
    for (unsigned b = 0; b < 64; ++b) {
      if (((bits >> b) & 1U) != 0) {
        jumped[0] ^= s0;
        jumped[1] ^= s1;
        jumped[2] ^= s2;
        jumped[3] ^= s3;
      }
      std::uint64_t output = 0;
      xoshiro256pp_step(s0, s1, s2, s3, output);
    }
  }
  lanes.s0[lane] = jumped[0];
  lanes.s1[lane] = jumped[1];
  lanes.s2[lane] = jumped[2];
  lanes.s3[lane] = jumped[3];
}

}  // namespace

xoshiro_lanes seeded_lanes(std::uint32_t seed) noexcept {
  xoshiro_lanes lanes{};
  std::uint64_t mix = seed;
  lanes.s0[0] = splitmix64(mix);
  lanes.s1[0] = splitmix64(mix);
  lanes.s2[0] = splitmix64(mix);
  lanes.s3[0] = splitmix64(mix);
  for (std::size_t lane = 1; lane < lane_count; ++lane) {
    lanes.s0[lane] = lanes.s0[lane - 1];
    lanes.s1[lane] = lanes.s1[lane - 1];
    lanes.s2[lane] = lanes.s2[lane - 1];
    lanes.s3[lane] = lanes.s3[lane - 1];
    jump_lane(lanes, lane);
  }
  return lanes;
}
