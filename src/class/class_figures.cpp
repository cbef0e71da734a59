// The class's figures: repeats found, and per size, per run, pooled, pictured and for the faces, what the counted runs give.
#include "class_figures.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "dialogue_lines.hpp"

namespace {

constexpr double pi = 3.141592653589793;

double standard_normal_above(double x) { return 0.5 * std::erfc(x / std::sqrt(2.0)); }

// Unsigned 128-bit whole numbers, as much of them as the exact line needs:
// a printed mean's distance squared, times its size, outgrows 64 bits.
struct wide {
  std::uint64_t high;
  std::uint64_t low;
};

constexpr wide product(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t a_low = a & 0xffffffffU;
  const std::uint64_t a_high = a >> 32U;
  const std::uint64_t b_low = b & 0xffffffffU;
  const std::uint64_t b_high = b >> 32U;
  const std::uint64_t low_low = a_low * b_low;
  const std::uint64_t middle =
      (low_low >> 32U) + (a_high * b_low & 0xffffffffU) + (a_low * b_high & 0xffffffffU);
  return {a_high * b_high + (a_high * b_low >> 32U) + (a_low * b_high >> 32U) + (middle >> 32U),
          (middle << 32U) | (low_low & 0xffffffffU)};
}

constexpr wide plus(wide a, wide b) {
  const std::uint64_t low = a.low + b.low;
  return {a.high + b.high + (low < a.low ? 1 : 0), low};
}

constexpr wide minus(wide a, wide b) {  // a >= b
  return {a.high - b.high - (a.low < b.low ? 1 : 0), a.low - b.low};
}

// a * b, where the product fits 128 bits.
constexpr wide times(wide a, std::uint64_t b) {
  const wide low = product(a.low, b);
  return {low.high + a.high * b, low.low};
}

constexpr bool less(wide a, wide b) { return a.high != b.high ? a.high < b.high : a.low < b.low; }

static_assert(product(0xffffffffffffffffU, 0xffffffffffffffffU).high == 0xfffffffffffffffeU &&
              product(0xffffffffffffffffU, 0xffffffffffffffffU).low == 1U);
static_assert(times(product(10000000000U, 10000000000U), 1000).high ==
              5421U);  // 10^23 = 5421 * 2^64 + ...

constexpr std::uint64_t power_of_ten(int exponent) {
  std::uint64_t power = 1;
  for (int at = 0; at < exponent; ++at) power *= 10;
  return power;
}

// The largest r with r * r <= n.
std::uint64_t square_root(wide n) {
  std::uint64_t low = 0;
  std::uint64_t high = 0xffffffffU;  // (2^32 - 1)^2 < 2^64: enough below 2^64
  if (n.high != 0) high = 0xffffffffffffffffU;
  while (low < high) {
    const std::uint64_t middle = low + (high - low) / 2 + 1;  // the upper middle, without overflow
    if (less(n, product(middle, middle))) {
      high = middle - 1;
    } else {
      low = middle;
    }
  }
  return low;
}

std::uint64_t square_root(std::uint64_t n) { return square_root(wide{0, n}); }

// The distribution of the sum of n fair dice, for every n up to
// exact_fair_sizes, made once: each n from the one before by one more die.
// For each n it keeps the two figures that the tally needs of it.
class fair_sums {
 public:
  static fair_sums& the_sums() {
    static fair_sums sums;  // one thread: the page's, or a test's
    return sums;
  }

  // P((2S - 7n)^2 > 105 n), beyond 3 standard errors; and P(two runs' totals are equal).
  double beyond_three(std::int32_t size) {
    return extended_to(size).first[static_cast<std::size_t>(size)];
  }
  double same_total(std::int32_t size) {
    return extended_to(size).second[static_cast<std::size_t>(size)];
  }

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
    const auto n = static_cast<long long>(beyond_.size());
    double beyond = 0.0;
    double same = 0.0;
    for (std::size_t sum = 0; sum < chance_.size(); ++sum) {
      const long long distance = 2 * static_cast<long long>(sum) - 7 * n;
      if (distance * distance > 105 * n) beyond += chance_[sum];
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

bool is_counted(const class_run& run) { return !run.repeat_of && !run.samples.empty(); }

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

// One run's test by the rule, on its rolls pooled. The line is decided
// exactly: with T the printed means' total times 10^d (d the most decimals
// any of them has) and N the rolls, beyond is (2T - 7 N 10^d)^2 > 105 N 10^2d.
run_figures run_test(const class_run& run, std::size_t index) {
  int decimals = 0;
  for (const class_sample& sample : run.samples) decimals = std::max(decimals, sample.decimals);
  wide total{0, 0};
  std::uint64_t rolls = 0;
  double rolled_total = 0.0;
  for (const class_sample& sample : run.samples) {
    const auto size = static_cast<std::uint64_t>(sample.size);
    total = plus(total, times(product(size, static_cast<std::uint64_t>(sample.scaled)),
                              power_of_ten(decimals - sample.decimals)));
    rolls += size;
    rolled_total += sample.mean * sample.size;
  }
  const wide twice_total = plus(total, total);
  const wide fair_total = product(7 * rolls, power_of_ten(decimals));
  const wide distance = less(twice_total, fair_total) ? minus(fair_total, twice_total)
                                                      : minus(twice_total, fair_total);
  const wide line_squared = product(105 * rolls, power_of_ten(2 * decimals));
  const bool beyond = distance.high != 0 || distance.low > square_root(line_squared);
  const auto n = static_cast<double>(rolls);
  const double mean = rolled_total / n;
  return {index, static_cast<long long>(rolls), mean,
          (mean - fair_mean) / (fair_sigma() / std::sqrt(n)), beyond};
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
    const bool same =
        at > 0 && places[at].size == places[at - 1].size && places[at].mean == places[at - 1].mean;
    if (same) {
      if (!picture.points.empty() && picture.point_count <= marks_kept)
        ++picture.points.back().samples;
      continue;
    }
    if (++picture.point_count <= marks_kept) {
      const class_sample& sample = *places[at].sample;
      picture.points.push_back({sample.size, sample.shown, z_of(sample), 1});
    }
  }
}

}  // namespace

// Runs started in the same second draw the same faces: one run. So are runs
// whose first samples agree where a start line does not tell.
void find_repeats(class_tally& tally) {
  for (std::size_t later = 0; later < tally.runs.size(); ++later) {
    class_run& run = tally.runs[later];
    if (run.samples.empty()) continue;
    for (std::size_t earlier = 0; earlier < later; ++earlier) {
      const class_run& first = tally.runs[earlier];
      if (!is_counted(first)) continue;
      const bool both_started = run.started && first.started;
      if (both_started ? *run.started == *first.started : same_first_samples(run, first)) {
        run.repeat_of = earlier;
        break;
      }
    }
  }
}

void compute_figures(class_tally& tally) {
  std::map<std::int32_t, size_figures> by_size;
  std::vector<place> places;
  long long rolls = 0;
  double rolled_total = 0.0;
  picture_figures& picture = tally.picture;
  tally.runs_counted = 0;
  tally.rule = {0, 0, 0.0};
  for (std::size_t index = 0; index < tally.runs.size(); ++index) {
    const class_run& run = tally.runs[index];
    if (!is_counted(run)) continue;
    ++tally.runs_counted;
    const run_figures test = run_test(run, index);
    tally.run_tests.push_back(test);
    ++tally.rule.runs;
    tally.rule.beyond_three += test.beyond_three ? 1 : 0;
    tally.rule.expected_beyond_three += fair_chance_beyond_three(test.rolls);
    for (const class_sample& sample : run.samples) {
      size_figures& figures =
          by_size.try_emplace(sample.size, size_figures{sample.size, 0, 0.0, 0, 0.0}).first->second;
      ++figures.samples;
      figures.mean_of_means += sample.mean;
      const bool beyond = beyond_three(sample);
      figures.beyond_three += beyond ? 1 : 0;
      picture.smallest_size =
          picture.samples == 0 ? sample.size : std::min(picture.smallest_size, sample.size);
      picture.largest_size = std::max(picture.largest_size, sample.size);
      picture.largest_distance = std::max(picture.largest_distance, std::abs(z_of(sample)));
      ++picture.samples;
      picture.beyond_three += beyond ? 1 : 0;
      places.push_back({sample.size, sample.mean, &sample});
      rolls += sample.size;
      rolled_total += sample.mean * sample.size;
      count_face(tally, sample);
    }
  }
  for (auto& [size, figures] : by_size) {
    figures.mean_of_means /= static_cast<double>(figures.samples);
    figures.expected_beyond_three =
        static_cast<double>(figures.samples) * fair_chance_beyond_three(size);
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

double z_of(const class_sample& sample) {
  return (sample.mean - fair_mean) / (fair_sigma() / std::sqrt(static_cast<double>(sample.size)));
}

bool beyond_three(const class_sample& sample) {
  const std::int64_t distance =
      2 * sample.scaled - 7 * static_cast<std::int64_t>(power_of_ten(sample.decimals));
  const auto magnitude = static_cast<std::uint64_t>(distance < 0 ? -distance : distance);
  const wide left = times(product(magnitude, magnitude), static_cast<std::uint64_t>(sample.size));
  return less(product(105, power_of_ten(2 * sample.decimals)), left);
}

double fair_chance_beyond_three(long long rolls) {
  if (rolls <= exact_fair_sizes)
    return fair_sums::the_sums().beyond_three(static_cast<std::int32_t>(rolls));
  // Beyond the line: |2S - 7n| at least the least whole number above sqrt(105 n);
  // the normal approximation with the continuity correction.
  const auto n = static_cast<std::uint64_t>(rolls);
  const std::uint64_t least = square_root(105 * n) + 1;
  const auto least_distance = static_cast<long long>(least);
  const long long above = (7 * rolls + least_distance + 1) / 2;  // the smallest S beyond, above
  const long long below = (7 * rolls - least_distance) / 2;      // the largest S beyond, below
  const double centre = fair_mean * static_cast<double>(rolls);
  const double sd = std::sqrt(fair_variance * static_cast<double>(rolls));
  return standard_normal_above((static_cast<double>(above) - 0.5 - centre) / sd) +
         standard_normal_above((centre - static_cast<double>(below) - 0.5) / sd);
}
