// The draw source: seeded pseudo-random draws, uniform over 0 to 32767.
#pragma once

#include <cstdint>

inline constexpr int max_draw = 32767;

// Starts the draws afresh from a seed; the same seed always gives the same draws.
void seed_draws(std::uint32_t seed);

// The next draw, uniform over 0 to max_draw inclusive.
int next_draw();
