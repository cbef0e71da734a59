// The run's draws in order: the lanes, and the round of draws in hand.
#include "draw_stream.hpp"

#include <algorithm>
#include <cassert>

#include "face_count.hpp"
#include "faces.hpp"

draw_stream::draw_stream(std::uint32_t seed) noexcept : lanes_(seeded_lanes(seed)) {}

// The one place that hands out draws of the round: no caller reads past it.
std::size_t draw_stream::take_in_hand(std::size_t count) noexcept {
  assert(count <= draws_per_round - used_ && "more draws taken than the round holds");
  const std::size_t first = used_;
  used_ += count;
  return first;
}

void draw_stream::start_round() noexcept {
  for (std::size_t lane = 0; lane < lane_count; ++lane) {
    std::uint64_t output = 0;
    xoshiro256pp_step(lanes_.s0[lane], lanes_.s1[lane], lanes_.s2[lane], lanes_.s3[lane], output);
    for (std::size_t word = 0; word < words_per_output; ++word) {
      round_[lane * words_per_output + word] = static_cast<std::uint16_t>(output >> (16 * word));
    }
  }
  used_ = 0;
}

int draw_stream::next_draw() noexcept {
  if (used_ == draws_per_round) start_round();
  return draw_of_word(round_[take_in_hand(1)]);
}

std::uint64_t draw_stream::sum_faces_above_one(std::uint64_t draws) noexcept {
  std::uint64_t above_one = 0;
  const auto roll_in_hand = [&](std::size_t count) {
    const std::size_t first = take_in_hand(count);
    for (std::size_t at = first; at < first + count; ++at) {
      above_one += static_cast<std::uint64_t>(faces_above_one(round_[at]));
    }
  };
  const auto in_hand = std::min<std::uint64_t>(draws, draws_per_round - used_);
  roll_in_hand(static_cast<std::size_t>(in_hand));
  draws -= in_hand;
  // A block of rounds per call: a JIT that compiles a quick first version of a
  // function and swaps in an optimised one between calls (V8 does so with
  // WebAssembly, and never within a running call) then runs the optimised
  // counter for nearly all of a large sample. Natively a call per block costs nothing.
  const face_counter count = best_face_counter();
  for (std::uint64_t rounds = draws / draws_per_round; rounds > 0;) {
    const std::uint64_t block = std::min(rounds, rounds_per_block);
    above_one += count(lanes_, block);
    rounds -= block;
    draws -= block * draws_per_round;
  }
  if (draws > 0) {
    start_round();
    roll_in_hand(static_cast<std::size_t>(draws));
  }
  return above_one;
}
