// The class's figures from its runs: repeats, per size, pooled.
#pragma once

#include "class_tally.hpp"

// A sample's z: its distance from 3.5 in standard errors of a fair die.
double z_of(const class_sample& sample);

// The chance that a fair die's mean of `size` rolls lies more than 3
// standard errors from 3.5: exact from the distribution of the sum of `size`
// fair dice up to exact_fair_sizes rolls, by the normal approximation beyond.
inline constexpr std::int32_t exact_fair_sizes = 1000;
double fair_chance_beyond_three(std::int32_t size);

