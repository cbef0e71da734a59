// The sample mean: rolls added into an exact 64-bit total, then one division.
#include "die.hpp"

#include <cassert>

double sample_mean(std::int32_t size) {
  assert(size >= 1);
  std::int64_t total = 0;  // at most 6 * 2147483647: no overflow
  for (std::int32_t roll = 0; roll < size; ++roll) total += roll_die(next_draw());
  return static_cast<double>(total) / static_cast<double>(size);
}
