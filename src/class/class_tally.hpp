// The class's results in one tally: runs read from pasted text, repeats found, figures computed.
//
// The text is any number of students' texts, one after another: what the
// student's page copies or saves (a "Run started" line, then the transcript),
// a transcript copied from a terminal (the typed entries after the prompts,
// read by the program's own entry rules), and record-sheet lines "SIZE MEAN",
// each student's block started by a line with a name. A name line before a
// transcript names that run. Every figure is computed here; the page only
// shows them. Reading is class_reading's job, the figures class_figures', the
// page's JSON class_json's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct class_sample {
  std::int32_t size;
  double mean;       // as printed
  std::string shown;  // the mean as printed, to the character
};

struct class_run {
  std::size_t line;           // where the run starts in the text, from 1
  std::string name;           // the line that named it, if one did
  std::optional<long long> started;  // its start second since 1970, when a "Run started" line gives it
  std::vector<class_sample> samples;
  std::optional<std::size_t> repeat_of;  // the index of the earlier run that it repeats
};

struct unreadable_line {
  std::size_t line;
  std::string shown;  // escaped as the program's messages quote an entry
};

struct size_figures {
  std::int32_t size;
  std::size_t samples;
  double mean_of_means;
  std::size_t beyond_three;      // |z| > 3, z from sigma = 1.70783
  double expected_beyond_three;  // what a fair die gives on average
};

struct pooled_figures {
  long long rolls;
  double mean;  // of all counted rolls, from the printed means weighted by size
  double standard_error;
  double z;
  double low;  // the 95 % interval
  double high;
};

// What the picture of every counted sample's z spans.
struct picture_figures {
  std::size_t samples;
  std::size_t beyond_three;  // in both tails
  std::int32_t smallest_size;
  std::int32_t largest_size;
  double largest_distance;  // the largest |z|
};

struct class_tally {
  std::vector<class_run> runs;  // as pasted, repeats included
  std::size_t runs_counted;
  std::vector<unreadable_line> unreadable;
  std::vector<size_figures> sizes;  // by size, smallest first
  std::optional<pooled_figures> pooled;
  picture_figures picture;
};

// How many first samples two runs without a common start line must share, in
// size and printed mean, to be taken for one run.
inline constexpr std::size_t samples_that_identify_a_run = 4;

class_tally tally_class(std::string_view text);
