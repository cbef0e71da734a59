// The loaded die: the mean of a sample of rolls.
#pragma once

#include <cstdint>

#include "draw_source.hpp"
#include "faces.hpp"

// Rolls the die `size` times (size from 1 to 2147483647) and returns the
// exact total of the faces divided by size; NaN, and no roll, for a size below 1.
double sample_mean(std::int32_t size);
