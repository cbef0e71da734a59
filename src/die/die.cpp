// The sample mean: rolls counted into an exact 64-bit total, then one division.
#include "die.hpp"

#include <limits>

#include "draw_lanes.hpp"
#include "face_count.hpp"

namespace {

// Sum of (face - 1) over the next `count` draws of the round in hand, by the
// same branch-free arithmetic as whole rounds (it equals roll_die on every draw).
std::uint64_t roll_in_hand(draw_stream& stream, std::uint64_t count) {
  std::uint64_t above_one = 0;
  for (; count > 0; --count) {
    const std::int16_t draw = stream.round[static_cast<std::size_t>(stream.used_in_round++)];
    above_one += static_cast<std::uint64_t>(faces_above_one(static_cast<std::uint16_t>(draw << 1)));
  }
  return above_one;
}

}  // namespace

// The same draws, in the same order, as `size` calls of next_draw would take:
// first what is left of the round in hand, then whole rounds counted straight
// from the lanes, then part of one more round, whose other draws stay in hand
// for the next caller.
double sample_mean(std::int32_t size) {
  // No sample at all has no mean; and a negative size, read as unsigned, would
  // roll for ages. Neither takes a draw.
  if (size < 1) return std::numeric_limits<double>::quiet_NaN();
  draw_stream& stream = the_draw_stream();
  auto remaining = static_cast<std::uint64_t>(size);

  const auto in_hand = static_cast<std::uint64_t>(draws_per_round - stream.used_in_round);
  const std::uint64_t first = remaining < in_hand ? remaining : in_hand;
  std::uint64_t above_one = roll_in_hand(stream, first);
  remaining -= first;

  const std::uint64_t rounds = remaining / draws_per_round;
  if (rounds > 0) above_one += best_face_counter()(stream.lanes, rounds);
  remaining -= rounds * draws_per_round;

  if (remaining > 0) {
    start_round(stream);
    above_one += roll_in_hand(stream, remaining);
  }
  // At most 6 * 2147483647: exact in 64 bits, and in a double too.
  const std::uint64_t total = static_cast<std::uint64_t>(size) + above_one;
  return static_cast<double>(total) / static_cast<double>(size);
}
