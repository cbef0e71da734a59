// The class's results in one tally: hand-ins read into runs, repeats found, figures computed.
//
// A hand-in is one text as it reached the teacher: one paste, one file, or
// one file of a zip. Each is read on its own (never joined to the one before)
// by class_reading's grammar, once class_channels has undone what e-mail,
// forums, word processors and spreadsheets did to it; a hand-in may hold
// many students' texts. Every figure is computed here; the page only shows
// them. Reading is class_reading's job, the figures class_figures', the
// page's JSON class_json's; tally_class (class_tally.cpp) runs them in turn.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct hand_in {
  std::string source;  // where it came from: "Paste 2", "ann.txt", "all.zip: Ann Smith/run.txt"
  std::string
      name;  // labels its runs that no name line names: a folder's or file's name; empty for a paste
  std::string text;
};

struct class_sample {
  std::int32_t size;
  double mean;        // as printed
  std::string shown;  // the mean as printed, to the character
  int decimals;       // the mean is exactly scaled / 10^decimals
  std::int64_t scaled;
};

// How a run was told apart from the others.
enum class run_known_by { start_second, transcript, record_sheet };

struct class_run {
  std::string
      label;  // its name line, else its hand-in's name, else its start line, else its first line
  run_known_by known_by;
  std::optional<long long>
      started;  // its start second since 1970, when a "Run started" line gives it
  std::vector<class_sample> samples;
  std::optional<std::size_t> repeat_of;  // the index of the earlier run that it repeats
  std::size_t hand_in = 0;               // its hand-in's index
  std::size_t first_line = 0;            // in its hand-in, from 1
};

struct unreadable_line {
  std::size_t line;  // from 1, in its hand-in
  std::string
      shown;  // escaped as the program's messages quote an entry, shortened to shown_line_characters
  std::string why;  // the kind of damage, and what fixes it
  std::size_t hand_in = 0;
};
// A listed line shows this many characters (an escape counts as one): enough to find it.
inline constexpr std::size_t shown_line_characters = 100;

// What one hand-in gives, before the class's figures.
struct hand_in_reading {
  std::vector<class_run> runs;
  std::vector<unreadable_line> unreadable;
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

// One run's test by the rule: all its rolls pooled, |z| > 3 or not.
struct run_figures {
  std::size_t run;  // its index in the tally's runs
  long long rolls;
  double mean;
  double z;
  bool beyond_three;
};

// How many counted runs reach the rule's line, beside how many a fair die
// would bring there on average (each run's chance at its number of rolls).
struct rule_figures {
  std::size_t runs;
  std::size_t beyond_three;
  double expected_beyond_three;
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
// (0.0027) and at 5 %, with 5 degrees of freedom (docs/check_figures.py reads
// them here and checks them).
inline constexpr double chi_square_line_of_the_rule = 18.21;
inline constexpr double chi_square_line_at_five_percent = 11.07;

struct class_tally {
  std::size_t hand_ins;
  std::vector<class_run> runs;  // as handed in, repeats and runs with no samples included
  std::size_t runs_counted;     // neither repeats nor without samples
  std::vector<unreadable_line> unreadable;
  std::vector<size_figures> sizes;  // by size, smallest first
  std::optional<pooled_figures> pooled;
  std::vector<run_figures> run_tests;  // each counted run's, in the runs' order
  rule_figures rule;
  picture_figures picture;
  std::optional<faces_figures> faces;
};

// Two runs without a start second each are one run when their first samples
// agree in size and printed mean, taking as many samples as it needs to bring
// the chance that two different runs agree so far below this
// (docs/check_figures.py reads it here).
inline constexpr double repeat_chance_limit = 1e-6;

// What labels the runs of a file that no name line names, from its path in a
// zip or on the teacher's computer ("Ann Smith_81920_assignsubmission_file_/run.txt"):
// the folder that holds it (a learning platform's "download all" gives each
// student one), else the file's name without its extension; a platform's
// submission suffix ("_81920_assignsubmission_file_") is left off.
std::string file_label(std::string_view path);

// One hand-in read: its text repaired, then read into runs.
hand_in_reading read_hand_in(const hand_in& given);
// The class's tally of hand-ins read, in the order they were handed in.
class_tally tally_readings(const std::vector<const hand_in_reading*>& readings);
class_tally tally_class(const std::vector<hand_in>& hand_ins);
// One pasted text, as one hand-in.
class_tally tally_class(std::string_view text);
