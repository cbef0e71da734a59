// The sample mean: rolls counted into an exact 64-bit total, then one division.
#include "die.hpp"

#include <limits>

#include "draw_stream.hpp"

double sample_mean(std::int32_t size) {
  // No sample at all has no mean; and a negative size, read as unsigned, would
  // roll for ages. Neither takes a draw.
  if (size < 1) return std::numeric_limits<double>::quiet_NaN();
  const std::uint64_t above_one =
      the_draw_stream().sum_faces_above_one(static_cast<std::uint64_t>(size));
  // At most 6 * 2147483647: exact in 64 bits, and in a double too.
  const std::uint64_t total = static_cast<std::uint64_t>(size) + above_one;
  return static_cast<double>(total) / static_cast<double>(size);
}
