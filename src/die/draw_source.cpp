// The draw source: sixteen xoshiro256++ lanes seeded through SplitMix64.
#include "draw_source.hpp"

#include "draw_lanes.hpp"

namespace {

// SplitMix64 (Steele, Lea and Flood, "Fast Splittable Pseudorandom Number
// Generators", OOPSLA 2014), the seeder that Vigna's xoshiro reference names.
std::uint64_t splitmix64(std::uint64_t& state) noexcept {
  std::uint64_t z = (state += 0x9e3779b97f4a7c15U);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9U;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebU;
  return z ^ (z >> 31);
}

// Vigna's jump() for xoshiro256: the lane advanced by 2^128 steps.
void jump_lane(xoshiro_lanes& lanes, std::size_t lane) noexcept {
  constexpr std::array<std::uint64_t, 4> jump_polynomial{0x180ec6d33cfd0abaU, 0xd5a61266f0c9392cU,
                                                         0xa9582618e03fc9aaU, 0x39abdc4529b1661cU};
  std::uint64_t s0 = lanes.s0[lane];
  std::uint64_t s1 = lanes.s1[lane];
  std::uint64_t s2 = lanes.s2[lane];
  std::uint64_t s3 = lanes.s3[lane];
  std::uint64_t j0 = 0;
  std::uint64_t j1 = 0;
  std::uint64_t j2 = 0;
  std::uint64_t j3 = 0;
  for (const std::uint64_t bits : jump_polynomial) {
    for (int b = 0; b < 64; ++b) {
      if (((bits >> b) & 1U) != 0) {
        j0 ^= s0;
        j1 ^= s1;
        j2 ^= s2;
        j3 ^= s3;
      }
      xoshiro256pp_step(s0, s1, s2, s3);
    }
  }
  lanes.s0[lane] = j0;
  lanes.s1[lane] = j1;
  lanes.s2[lane] = j2;
  lanes.s3[lane] = j3;
}

draw_stream fresh_stream(std::uint32_t seed) noexcept {
  return draw_stream{seeded_lanes(seed), {}, draws_per_round};
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

draw_stream& the_draw_stream() noexcept {
  // Seeded even if seed_draws is never called: the all-zero state would give only zeros.
  static draw_stream stream = fresh_stream(0);
  return stream;
}

void start_round(draw_stream& stream) noexcept {
  lane_outputs outputs;
  step_lanes(stream.lanes, outputs);
  for (std::size_t lane = 0; lane < lane_count; ++lane) {
    for (int word = 0; word < words_per_output; ++word) {
      stream.round[lane * words_per_output + static_cast<std::size_t>(word)] =
          static_cast<std::int16_t>(draw_in_output(outputs[lane], word));
    }
  }
  stream.used_in_round = 0;
}

void seed_draws(std::uint32_t seed) { the_draw_stream() = fresh_stream(seed); }

int next_draw() {
  draw_stream& stream = the_draw_stream();
  if (stream.used_in_round == draws_per_round) start_round(stream);
  return stream.round[static_cast<std::size_t>(stream.used_in_round++)];
}
