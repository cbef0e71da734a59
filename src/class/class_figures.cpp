// The class's figures: repeats found, and per size, pooled, pictured and for the faces, what the counted runs give.
#include "class_figures.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "class_reading.hpp"
#include "dialogue_lines.hpp"

namespace {

constexpr double pi = 3.141592653589793;

double standard_normal_above(double x) { return 0.5 * std::erfc(x / std::sqrt(2.0)); }

// The distribution of the sum of n fair dice, for every n up to
// exact_fair_sizes, made once: each n from the one before by one more die.
// For each n it keeps the two figures that the tally needs of it.
class fair_sums {
 public:
  static fair_sums& the_sums() {
    static fair_sums sums;  // one thread: the page's, or a test's
    return sums;
  }

  // P(|S/n - 3.5| > 3 sigma / sqrt(n)), and P(two runs' totals are equal).
  double beyond_three(std::int32_t size) { return extended_to(size).first[static_cast<std::size_t>(size)]; }
  double same_total(std::int32_t size) { return extended_to(size).second[static_cast<std::size_t>(size)]; }

 private:
  std::pair<const std::vector<double>&, const std::vector<double>&> extended_to(std::int32_t size) {
    while (static_cast<std::int32_t>(beyond_.size()) <= size) add_a_die();
    return {beyond_, same_};
  }

  void add_a_die() {
    if (!beyond_.empty()) {
      std::vector<double> next(chance_.size() + 6, 0.0);
      for (std::size_t sum = 0; sum < chance_.size(); ++sum) {
        for (std::size_t face = 1; face <= 6; ++face) next[sum + face] += chance_[sum] / 6.0;
      }
      chance_ = std::move(next);
    }
    const auto n = static_cast<double>(beyond_.size());
    const double reach = 3.0 * fair_sigma() * std::sqrt(n);  // in units of the sum
    double beyond = 0.0;
    double same = 0.0;
    for (std::size_t sum = 0; sum < chance_.size(); ++sum) {
      if (std::abs(static_cast<double>(sum) - fair_mean * n) > reach) beyond += chance_[sum];
      same += chance_[sum] * chance_[sum];
    }
    beyond_.push_back(n == 0 ? 0.0 : beyond);
    same_.push_back(same);
  }

  std::vector<double> chance_{1.0};  // of each sum of the dice so far, from 0
  std::vector<double> beyond_;       // by number of dice
  std::vector<double> same_;
};

// The chance that two runs' samples of `size` rolls print the same mean, for
// a fair die (a die like this one differs by a few per cent): equal totals,
// exactly up to exact_fair_sizes rolls; beyond, by the normal approximation,
// with the totals that six significant digits print alike.
double same_printed_mean(std::int32_t size) {
  if (size <= exact_fair_sizes) return fair_sums::the_sums().same_total(size);
  const double n = size;
  const double totals_alike = std::max(1.0, n * 1e-5);
  return std::min(1.0, totals_alike / (2.0 * std::sqrt(pi * fair_variance * n)));
}

// Whether two runs are one by their first samples: equal in size and printed
// mean, as many as it takes to make a chance agreement rarer than the limit.
bool same_first_samples(const class_run& a, const class_run& b) {
  double chance = 1.0;
  for (std::size_t at = 0; at < a.samples.size() && at < b.samples.size(); ++at) {
    const class_sample& x = a.samples[at];
    const class_sample& y = b.samples[at];
    if (x.size != y.size || x.mean != y.mean) return false;
    chance *= same_printed_mean(x.size);
    if (chance < repeat_chance_limit) return true;
  }
  return false;
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

void count_face(class_tally& tally, const class_sample& sample) {
  if (sample.size != 1) return;
  if (!tally.faces) tally.faces = faces_figures{{}, 0, 0.0, 0.0};
  ++tally.faces->observed.at(static_cast<std::size_t>(sample.mean) - 1);
  ++tally.faces->rolls;
}

void finish_faces(faces_figures& faces) {
  faces.expected = static_cast<double>(faces.rolls) / 6.0;
  faces.chi_square = 0.0;
  for (const std::size_t observed : faces.observed) {
    const double difference = static_cast<double>(observed) - faces.expected;
    faces.chi_square += difference * difference / faces.expected;
  }
}

// One mark per size and printed mean, with how many samples it stands for:
// the picture's cost is bounded by the distinct points, never the samples,
// and it keeps the first marks_kept of them, smallest sizes first.
struct place {
  std::int32_t size;
  double mean;
  const class_sample* sample;
};

void mark(picture_figures& picture, std::vector<place>& places) {
  std::sort(places.begin(), places.end(), [](const place& a, const place& b) {
    return a.size != b.size ? a.size < b.size : a.mean < b.mean;
  });
  picture.point_count = 0;
  for (std::size_t at = 0; at < places.size(); ++at) {
    const bool same = at > 0 && places[at].size == places[at - 1].size && places[at].mean == places[at - 1].mean;
    if (same) {
      if (!picture.points.empty() && picture.point_count <= marks_kept) ++picture.points.back().samples;
      continue;
    }
    if (++picture.point_count <= marks_kept) {
      const class_sample& sample = *places[at].sample;
      picture.points.push_back({sample.size, sample.shown, z_of(sample), 1});
    }
  }
}

void compute_figures(class_tally& tally) {
  std::map<std::int32_t, size_figures> by_size;
  std::vector<place> places;
  long long rolls = 0;
  double rolled_total = 0.0;
  picture_figures& picture = tally.picture;
  for (const class_run& run : tally.runs) {
    if (run.repeat_of) continue;
    ++tally.runs_counted;
    for (const class_sample& sample : run.samples) {
      size_figures& figures =
          by_size.try_emplace(sample.size, size_figures{sample.size, 0, 0.0, 0, 0.0}).first->second;
      ++figures.samples;
      figures.mean_of_means += sample.mean;
      const double z = z_of(sample);
      const bool beyond_three = std::abs(z) > 3.0;
      figures.beyond_three += beyond_three ? 1 : 0;
      picture.smallest_size = picture.samples == 0 ? sample.size : std::min(picture.smallest_size, sample.size);
      picture.largest_size = std::max(picture.largest_size, sample.size);
      picture.largest_distance = std::max(picture.largest_distance, std::abs(z));
      ++picture.samples;
      picture.beyond_three += beyond_three ? 1 : 0;
      places.push_back({sample.size, sample.mean, &sample});
      rolls += sample.size;
      rolled_total += sample.mean * sample.size;
      count_face(tally, sample);
    }
  }
  for (auto& [size, figures] : by_size) {
    figures.mean_of_means /= static_cast<double>(figures.samples);
    figures.expected_beyond_three = static_cast<double>(figures.samples) * fair_chance_beyond_three(size);
    tally.sizes.push_back(figures);
  }
  mark(picture, places);
  if (tally.faces) finish_faces(*tally.faces);
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
  if (size <= exact_fair_sizes) return fair_sums::the_sums().beyond_three(size);
  // Beyond the line: S >= floor(centre + reach) + 1, or S <= ceil(centre - reach) - 1,
  // with the continuity correction.
  const double n = size;
  const double reach = 3.0 * fair_sigma() * std::sqrt(n);
  const double centre = fair_mean * n;
  const double sd = std::sqrt(fair_variance * n);
  const double above = std::floor(centre + reach) + 1.0;
  const double below = std::ceil(centre - reach) - 1.0;
  return standard_normal_above((above - 0.5 - centre) / sd) + standard_normal_above((centre - below - 0.5) / sd);
}
