// The class's figures: repeats found, and per size and pooled, what the counted runs give.
#include "class_figures.hpp"

#include <algorithm>
#include <cmath>
#include <map>

#include "class_reading.hpp"
#include "dialogue_lines.hpp"

namespace {

bool same_first_samples(const class_run& a, const class_run& b) {
  if (a.samples.size() < samples_that_identify_a_run || b.samples.size() < samples_that_identify_a_run) {
    return false;
  }
  return std::equal(a.samples.begin(), a.samples.begin() + samples_that_identify_a_run, b.samples.begin(),
                    [](const class_sample& x, const class_sample& y) {
                      return x.size == y.size && x.mean == y.mean;
                    });
}

// Runs started in the same second draw the same faces: one run. So are runs
// whose first samples agree where a start line does not tell.
void find_repeats(class_tally& tally) {
  for (std::size_t later = 0; later < tally.runs.size(); ++later) {
    class_run& run = tally.runs[later];
    for (std::size_t earlier = 0; earlier < later; ++earlier) {
      const class_run& first = tally.runs[earlier];
      if (first.repeat_of) continue;
      const bool both_started = run.started && first.started;
      if (both_started ? *run.started == *first.started : same_first_samples(run, first)) {
        run.repeat_of = earlier;
        break;
      }
    }
  }
}

double standard_normal_above(double x) { return 0.5 * std::erfc(x / std::sqrt(2.0)); }

// P(|S/n - 3.5| > 3 sigma / sqrt(n)) for the sum S of n fair dice.
double compute_fair_chance(std::int32_t size) {
  const double n = size;
  const double reach = 3.0 * fair_sigma() * std::sqrt(n);  // in units of the sum
  const double centre = fair_mean * n;
  if (size > exact_fair_sizes) {
    // Beyond the line: S >= floor(centre + reach) + 1, or S <= ceil(centre - reach) - 1.
    const double sd = std::sqrt(fair_variance * n);
    const double above = std::floor(centre + reach) + 1.0;
    const double below = std::ceil(centre - reach) - 1.0;
    return standard_normal_above((above - 0.5 - centre) / sd) +
           standard_normal_above((centre - below - 0.5) / sd);
  }
  std::vector<double> chance{1.0};  // of each sum of the dice so far, from 0
  for (std::int32_t roll = 0; roll < size; ++roll) {
    std::vector<double> next(chance.size() + 6, 0.0);
    for (std::size_t sum = 0; sum < chance.size(); ++sum) {
      for (std::size_t face = 1; face <= 6; ++face) next[sum + face] += chance[sum] / 6.0;
    }
    chance = std::move(next);
  }
  double beyond = 0.0;
  for (std::size_t sum = 0; sum < chance.size(); ++sum) {
    if (std::abs(static_cast<double>(sum) - centre) > reach) beyond += chance[sum];
  }
  return beyond;
}

void compute_figures(class_tally& tally) {
  std::map<std::int32_t, size_figures> by_size;
  long long rolls = 0;
  double rolled_total = 0.0;
  for (const class_run& run : tally.runs) {
    if (run.repeat_of) continue;
    ++tally.runs_counted;
    for (const class_sample& sample : run.samples) {
      size_figures& figures = by_size.try_emplace(sample.size, size_figures{sample.size, 0, 0.0, 0, 0.0})
                                  .first->second;
      ++figures.samples;
      figures.mean_of_means += sample.mean;
      const double distance = std::abs(z_of(sample));
      const bool beyond_three = distance > 3.0;
      figures.beyond_three += beyond_three ? 1 : 0;
      picture_figures& picture = tally.picture;
      picture.smallest_size = picture.samples == 0 ? sample.size : std::min(picture.smallest_size, sample.size);
      picture.largest_size = std::max(picture.largest_size, sample.size);
      picture.largest_distance = std::max(picture.largest_distance, distance);
      ++picture.samples;
      picture.beyond_three += beyond_three ? 1 : 0;
      rolls += sample.size;
      rolled_total += sample.mean * sample.size;
    }
  }
  for (auto& [size, figures] : by_size) {
    figures.mean_of_means /= static_cast<double>(figures.samples);
    figures.expected_beyond_three = static_cast<double>(figures.samples) * fair_chance_beyond_three(size);
    tally.sizes.push_back(figures);
  }
  if (rolls > 0) {
    const double mean = rolled_total / static_cast<double>(rolls);
    const double standard_error = fair_sigma() / std::sqrt(static_cast<double>(rolls));
    tally.pooled = pooled_figures{rolls,
                                  mean,
                                  standard_error,
                                  (mean - fair_mean) / standard_error,
                                  mean - 1.96 * standard_error,
                                  mean + 1.96 * standard_error};
  }
}

}  // namespace

class_tally tally_class(std::string_view text) {
  class_tally tally = read_class_text(text);
  find_repeats(tally);
  compute_figures(tally);
  return tally;
}

double z_of(const class_sample& sample) {
  return (sample.mean - fair_mean) / (fair_sigma() / std::sqrt(static_cast<double>(sample.size)));
}

double fair_chance_beyond_three(std::int32_t size) {
  static std::map<std::int32_t, double> computed;  // one thread: the page's, or a test's
  const auto [place, added] = computed.try_emplace(size, 0.0);
  if (added) place->second = compute_fair_chance(size);
  return place->second;
}

