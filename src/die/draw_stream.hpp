// The run's draws in order: the lanes, and the round of draws in hand.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "draw_lanes.hpp"

// A round steps every lane once. Each 64-bit output is four 16-bit words, and a
// draw is the top 15 bits of a word: a round yields 64 draws, lane by lane,
// each output's least significant word first.
inline constexpr std::size_t words_per_output = 4;
inline constexpr std::size_t draws_per_round = lane_count * words_per_output;

constexpr int draw_of_word(std::uint16_t word) noexcept { return word >> 1U; }

// Whole rounds are generated at once; the draws of a round that are not used
// yet stay in hand for the next call, whichever it is, so that any mix of
// single draws and sums takes exactly the draws that single draws alone would.
class draw_stream {
 public:
  // Starts afresh from a seed: the same seed always gives the same draws.
  explicit draw_stream(std::uint32_t seed) noexcept;

  // The next draw, 0 to max_draw.
  int next_draw() noexcept;

  // The sum of (face - 1) over the next `draws` draws, as roll_die gives the
  // faces draw by draw; whole rounds are counted straight from the lanes.
  std::uint64_t sum_faces_above_one(std::uint64_t draws) noexcept;

  [[nodiscard]] const xoshiro_lanes& lanes() const noexcept { return lanes_; }

 private:
  // Where the next `count` draws in hand start; they count as used from now.
  std::size_t take_in_hand(std::size_t count) noexcept;
  void start_round() noexcept;

  xoshiro_lanes lanes_;
  std::array<std::uint16_t, draws_per_round> round_{};  // the words of the round in hand
  std::size_t used_ = draws_per_round;
};

// The run's one stream, which seed_draws starts afresh.
draw_stream& the_draw_stream() noexcept;
