// The class's results in one tally: runs read from pasted text, repeats found, figures computed.
//
// The text is any number of students' texts, one after another, pasted at
// once or one at a time: what the student's page copies or saves (a "Run
// started" line, then the transcript), a transcript copied from a terminal,
// with or without its title (the typed entries after the prompts, read by the
// program's own entry rules), and record-sheet lines "SIZE MEAN", each
// student's block started by a line with a name. A name line before a
// transcript names that run. Blanks around a line never matter. Every figure is computed here; the page only
// shows them. Reading is class_reading's job, the figures class_figures', the
// page's JSON class_json's.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct class_sample {
  std::int32_t size;
  double mean;        // as printed
  std::string shown;  // the mean as printed, to the character
};

struct class_run {
  std::string label;  // its name line, else its start line, else its first line
  std::optional<long long> started;  // its start second since 1970, when a "Run started" line gives it
  std::vector<class_sample> samples;
  std::optional<std::size_t> repeat_of;  // the index of the earlier run that it repeats
};

struct unreadable_line {
  std::size_t line;   // from 1
  std::string shown;  // escaped as the program's messages quote an entry
  std::string why;
};

struct size_figures {
  std::int32_t size;
  std::size_t samples;
  double mean_of_means;
  std::size_t beyond_three;      // |z| > 3
  double expected_beyond_three;  // what a fair die gives on average
};

struct pooled_figures {
  long long rolls;
  double mean;  // of all counted rolls, from the printed means weighted by size
  double standard_error;
  double z;
  double low;  // the 95 % interval, for estimating the die's mean
  double high;
};

// One mark of the picture: every counted sample of that size and printed mean.
struct picture_point {
  std::int32_t size;
  std::string mean;
  double z;
  std::size_t samples;
};

// What the picture of every counted sample's z spans, and its marks.
struct picture_figures {
  std::size_t samples;
  std::size_t beyond_three;  // in both tails
  std::int32_t smallest_size;
  std::int32_t largest_size;
  double largest_distance;            // the largest |z|
  std::size_t point_count;            // different sizes and printed means
  std::vector<picture_point> points;  // the first marks_kept of them, by size, then z
};
inline constexpr std::size_t marks_kept = 2000;

// The faces step: the single faces of every counted sample of size 1.
struct faces_figures {
  std::array<std::size_t, 6> observed;
  std::size_t rolls;
  double expected;  // of each face, if every face were equally likely
  double chi_square;
};
inline constexpr int faces_degrees_of_freedom = 5;
// The chi-square test's lines that the lesson uses: at the level of |z| > 3
// (0.0027) and at 5 %, with 5 degrees of freedom (docs/check_figures.py checks them).
inline constexpr double chi_square_line_of_the_rule = 18.21;
inline constexpr double chi_square_line_at_five_percent = 11.07;

struct class_tally {
  std::vector<class_run> runs;  // as pasted, repeats included
  std::size_t runs_counted;
  std::vector<unreadable_line> unreadable;
  std::vector<size_figures> sizes;  // by size, smallest first
  std::optional<pooled_figures> pooled;
  picture_figures picture;
  std::optional<faces_figures> faces;
};

// Two runs without a start second each are one run when their first samples
// agree in size and printed mean, taking as many samples as it needs to bring
// the chance that two different runs agree so far below this.
inline constexpr double repeat_chance_limit = 1e-6;

class_tally tally_class(std::string_view text);
