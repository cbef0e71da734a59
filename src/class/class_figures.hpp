// The class's figures from its runs: repeats, per size, each run's test by the rule, pooled, pictured.
#pragma once

#include <cstdint>

#include "class_tally.hpp"

// Marks the runs that repeat an earlier one.
void find_repeats(class_tally& tally);
// Every figure of the runs counted (neither repeats nor runs without samples).
void compute_figures(class_tally& tally);

// A sample's z: its distance from 3.5 in standard errors of a fair die.
double z_of(const class_sample& sample);

// Whether a sample lies more than 3 standard errors from 3.5, decided exactly
// from its printed mean: (2 mean - 7)^2 n > 105, in whole numbers. A mean on
// the line (420 rolls at 3.75) is not beyond it.
bool beyond_three(const class_sample& sample);

// The chance that a fair die's mean of `rolls` rolls lies more than 3
// standard errors from 3.5, by the same strict line: exact from the
// distribution of the sum of `rolls` fair dice up to exact_fair_sizes rolls,
// by the normal approximation beyond.
inline constexpr std::int32_t exact_fair_sizes = 1000;
double fair_chance_beyond_three(long long rolls);
