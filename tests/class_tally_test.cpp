// Tests of the class page's tally: pasted texts read into runs, repeats found, figures computed.
#include "class_figures.hpp"
#include "class_json.hpp"
#include "class_tally.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "dialogue_text.hpp"

namespace {

std::string mean_line(const std::string& mean) { return mean_line_start + mean + "\n\n"; }

// A transcript as a terminal (or the student's page) shows it: typed lines
// after their prompts, and prompts answered by entries typed ahead.
std::string transcript(const std::vector<std::string>& shown) {
  std::string text = introduction;
  for (const std::string& piece : shown) text += piece;
  return text;
}

std::vector<std::pair<std::int32_t, std::string>> samples_of(const class_run& run) {
  std::vector<std::pair<std::int32_t, std::string>> samples;
  for (const class_sample& sample : run.samples) samples.emplace_back(sample.size, sample.shown);
  return samples;
}

using samples = std::vector<std::pair<std::int32_t, std::string>>;

}  // namespace

TEST(class_tally, reads_a_page_text_with_its_start_and_entries_typed_ahead) {
  const class_tally tally = tally_class(
      "Run started 2026-12-09 14:03:07 +01:00\n" +
      transcript({prompt + "10 10\n", mean_line("3.7"), prompt, mean_line("2.9"), prompt + "abc 20\n",
                  not_a_number("abc"), prompt + "100\n", mean_line("3.61"), prompt + "0\n"}));
  ASSERT_EQ(tally.runs.size(), 1U);
  EXPECT_EQ(tally.runs[0].started, 1796821387LL);  // 13:03:07 UTC
  EXPECT_EQ(samples_of(tally.runs[0]), (samples{{10, "3.7"}, {10, "2.9"}, {100, "3.61"}}));
  EXPECT_TRUE(tally.unreadable.empty());
}

TEST(class_tally, a_rejection_answers_no_prompt_and_drops_the_rest_of_its_line) {
  const class_tally tally = tally_class(transcript(
      {prompt + "5 1,000 7\n", mean_line("4.2"), prompt + "Not a whole number: \"1,000\". Enter...\n",
       prompt + "8\n", mean_line("3.25"), prompt}));
  ASSERT_EQ(tally.runs.size(), 1U);
  EXPECT_EQ(samples_of(tally.runs[0]), (samples{{5, "4.2"}, {8, "3.25"}}));
}

TEST(class_tally, reads_record_sheet_blocks_each_started_by_a_name) {
  const class_tally tally = tally_class("Anna\n10 3.7\n100 3,42\n\nBen K.\n  1000\t3.551 \n1 6\n1 1\n");
  ASSERT_EQ(tally.runs.size(), 2U);
  EXPECT_EQ(tally.runs[0].label, "Anna");
  EXPECT_EQ(samples_of(tally.runs[0]), (samples{{10, "3.7"}, {100, "3,42"}}));
  EXPECT_DOUBLE_EQ(tally.runs[0].samples[1].mean, 3.42);
  EXPECT_EQ(tally.runs[1].label, "Ben K.");
  EXPECT_EQ(samples_of(tally.runs[1]), (samples{{1000, "3.551"}, {1, "6"}, {1, "1"}}));
}

TEST(class_tally, lists_each_line_it_cannot_read_and_counts_the_rest) {
  const class_tally tally = tally_class(
      "Cleo\n10 3.7\nthis is not a result \xe2\x80\xae" "42\n10 9.5\n\nDee\n" +
      transcript({prompt, mean_line("3.5")}) + "a name with nothing after it\n");
  ASSERT_EQ(tally.unreadable.size(), 4U);
  EXPECT_EQ(tally.unreadable[0].line, 3U);
  EXPECT_EQ(tally.unreadable[0].shown, R"(this is not a result \u202e42)");
  EXPECT_EQ(tally.unreadable[1].line, 4U);  // a mean no die gives
  EXPECT_EQ(tally.unreadable[2].shown, mean_line_start + "3.5");  // a mean without its size
  EXPECT_EQ(tally.unreadable[3].shown, "a name with nothing after it");
  EXPECT_EQ(tally.runs.size(), 2U);
  EXPECT_EQ(tally.runs[0].samples.size(), 1U);
}

TEST(class_tally, runs_of_one_second_are_one_run_whatever_their_time_zone) {
  const std::string run = transcript({prompt + "10\n", mean_line("3.7"), prompt + "0\n"});
  const class_tally tally = tally_class("Run started 2026-12-09 14:03:07 +01:00\n" + run +
                                        "Run started 2026-12-09 08:03:07 -05:00\n" + run +
                                        "Run started 2026-12-09 14:03:08 +01:00\n" + run);
  ASSERT_EQ(tally.runs.size(), 3U);
  EXPECT_EQ(tally.runs[1].repeat_of, 0U);
  EXPECT_FALSE(tally.runs[2].repeat_of);
  EXPECT_EQ(tally.runs_counted, 2U);
}

// The lesson's first four samples (10, 10, 10 and 100 rolls) agree by chance
// once in 430,000 pairs of runs: too often; the fifth, 100 rolls again, takes
// it below one in a million.
TEST(class_tally, runs_without_a_start_repeat_when_enough_first_samples_agree) {
  const std::string five = "10 3.7\n10 3.1\n10 4\n100 3.55\n100 3.42\n";
  const class_tally tally = tally_class("A\n" + five + "B\n" + five + "1000 3.6\nC\n10 3.7\n10 3.1\n10 4\n100 3.55\n" +
                                        "D\n10 3.7\n10 3.1\n10 4\n100 3.55\n100 3.43\n" +
                                        "E\n10 3.7\n10 3.1\n100 4\n100 3.55\n100 3.42\n");
  ASSERT_EQ(tally.runs.size(), 5U);
  EXPECT_EQ(tally.runs[1].repeat_of, 0U);
  EXPECT_FALSE(tally.runs[2].repeat_of);  // four samples tell too little
  EXPECT_FALSE(tally.runs[3].repeat_of);
  EXPECT_FALSE(tally.runs[4].repeat_of);  // the same means of other sizes
  EXPECT_EQ(tally.runs_counted, 4U);
}

TEST(class_tally, figures_per_size_and_pooled_count_each_run_once) {
  // z = (mean - 3.5) / (sqrt(35/12) / sqrt(n)): 10 rolls at 5.2 give 3.148, at 1.8 give -3.148,
  // at 2 give -2.777 (figures computed with Python, not by the tally's code).
  const class_tally tally = tally_class("A\n10 5.2\n10 3.5\n100 3.6\nB\n10 5.2\n10 3.5\n100 3.6\n10 1.8\n100 3.6\n"
                                        "C\n10 5.2\n10 3.5\n100 3.6\n10 1.8\n100 3.6\nD\n10 2\n");
  ASSERT_EQ(tally.runs_counted, 3U);
  ASSERT_EQ(tally.sizes.size(), 2U);
  EXPECT_EQ(tally.sizes[0].size, 10);
  EXPECT_EQ(tally.sizes[0].samples, 6U);
  EXPECT_DOUBLE_EQ(tally.sizes[0].mean_of_means, 21.2 / 6);
  EXPECT_EQ(tally.sizes[0].beyond_three, 3U);  // 5.2 twice above, 1.8 below; 2 is within
  EXPECT_NEAR(tally.sizes[0].expected_beyond_three, 6 * 0.0014255242468119698, 1e-12);
  EXPECT_EQ(tally.sizes[1].beyond_three, 0U);
  ASSERT_TRUE(tally.pooled);
  EXPECT_EQ(tally.pooled->rolls, 360);
  EXPECT_NEAR(tally.pooled->mean, 1292 / 360.0, 1e-12);
  EXPECT_NEAR(tally.pooled->standard_error, 0.090010287477887, 1e-12);
  EXPECT_NEAR(tally.pooled->z, 0.98754143975739, 1e-9);
  EXPECT_NEAR(tally.pooled->low, 3.4124687254322, 1e-9);
  EXPECT_NEAR(tally.pooled->high, 3.7653090523455, 1e-9);
  EXPECT_EQ(tally.picture.samples, 9U);
  EXPECT_EQ(tally.picture.beyond_three, 3U);
  EXPECT_EQ(tally.picture.smallest_size, 10);
  EXPECT_EQ(tally.picture.largest_size, 100);
  EXPECT_NEAR(tally.picture.largest_distance, 3.1477883392266754, 1e-12);
  std::vector<std::tuple<std::int32_t, std::string, std::size_t>> marks;
  for (const picture_point& point : tally.picture.points) marks.emplace_back(point.size, point.mean, point.samples);
  EXPECT_EQ(marks, (std::vector<std::tuple<std::int32_t, std::string, std::size_t>>{
                       {10, "1.8", 1}, {10, "2", 1}, {10, "3.5", 2}, {10, "5.2", 2}, {100, "3.6", 3}}));
}

// Exact from the sum of fair dice, which for 1 roll never strays that far;
// beyond the exact sizes the normal approximation is within 0.00002 of the
// exact chance (1001 and 3000 rolls, computed by convolution elsewhere).
TEST(class_tally, a_fair_dies_chance_beyond_three_standard_errors) {
  EXPECT_EQ(fair_chance_beyond_three(1), 0.0);
  EXPECT_NEAR(fair_chance_beyond_three(10), 0.0014255242468119698, 1e-15);
  EXPECT_NEAR(fair_chance_beyond_three(100), 0.0024792039728260325, 1e-15);
  static_assert(exact_fair_sizes == 1000);
  EXPECT_NEAR(fair_chance_beyond_three(1001), 0.0027073293327285735, 0.00002);
  EXPECT_NEAR(fair_chance_beyond_three(3000), 0.0027086535247878778, 0.00002);
  EXPECT_NEAR(fair_chance_beyond_three(2147483647), 0.0027, 0.00001);
}

TEST(class_tally, gives_the_page_json_with_names_as_typed) {
  const std::string json = tally_json(tally_class("Dana \"D\" \\o/ \xe2\x80\xae\n10 3.7\nnonsense\nmore\n"));
  EXPECT_NE(json.find(R"("label":"Dana \"D\" \\o/ \\u202e")"), std::string::npos) << json;
  EXPECT_NE(json.find(R"("unreadableCount":2,"unreadable":[{"line":3,"shown":"nonsense","why":"not a result"},)"
                      R"({"line":4,"shown":"more","why":"not a result"}])"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find(R"("runsCounted":1)"), std::string::npos) << json;
}

// However many different sizes and means, the picture keeps the first marks_kept.
TEST(class_tally, keeps_at_most_marks_kept_marks_and_counts_the_rest) {
  std::string text = "Everyone\n";
  for (std::size_t size = 1; size <= marks_kept + 1; ++size) text += std::to_string(size) + " 6\n";
  const class_tally tally = tally_class(text);
  EXPECT_EQ(tally.picture.point_count, marks_kept + 1);
  ASSERT_EQ(tally.picture.points.size(), marks_kept);
  EXPECT_EQ(tally.picture.points.back().size, static_cast<std::int32_t>(marks_kept));
  EXPECT_EQ(tally.picture.samples, marks_kept + 1);
}

// The faces step: size-1 samples of the counted runs, against a sixth each.
TEST(class_tally, counts_the_faces_of_single_rolls_with_their_chi_square) {
  const class_tally tally = tally_class("A\n1 3\n1 5\n1 2\n10 3.5\n1 6\nB\n1 6\n1 1\n1 6\n");
  ASSERT_TRUE(tally.faces);
  EXPECT_EQ(tally.faces->observed, (std::array<std::size_t, 6>{1, 1, 1, 0, 1, 3}));
  EXPECT_EQ(tally.faces->rolls, 7U);
  EXPECT_NEAR(tally.faces->expected, 7.0 / 6, 1e-15);
  // (O - E)^2 / E summed, by hand: (1/36 * 4 + 49/36 + 121/36) / (7/6) = 174/42
  EXPECT_NEAR(tally.faces->chi_square, 174.0 / 42, 1e-12);
  EXPECT_FALSE(tally_class("A\n10 3.5\n").faces);
}

// Texts as a class hands them in, and how each must be read.
struct pasted_case {
  const char* name;
  std::string text;
  std::vector<std::string> labels;   // of the runs, in order
  std::vector<std::size_t> samples;  // of each run
  std::size_t repeats;
  std::vector<std::string> unreadable;  // why each unread line was not read
};

void PrintTo(const pasted_case& row, std::ostream* os) { *os << row.name; }

class pasted_test : public testing::TestWithParam<pasted_case> {};

TEST_P(pasted_test, reads_each_text_as_its_own_run) {
  const pasted_case& row = GetParam();
  const class_tally tally = tally_class(row.text);
  std::vector<std::string> labels;
  std::vector<std::size_t> samples;
  std::size_t repeats = 0;
  for (const class_run& run : tally.runs) {
    labels.push_back(run.label);
    samples.push_back(run.samples.size());
    repeats += run.repeat_of ? 1 : 0;
  }
  std::vector<std::string> unreadable;
  for (const unreadable_line& line : tally.unreadable) unreadable.push_back(line.why);
  EXPECT_EQ(labels, row.labels);
  EXPECT_EQ(samples, row.samples);
  EXPECT_EQ(repeats, row.repeats);
  EXPECT_EQ(unreadable, row.unreadable);
}

const std::string start_a = "Run started 2026-12-09 11:34:29 +01:00";
const std::string start_b = "Run started 2026-12-09 11:34:30 +01:00";
// What the page copies when the student did not type 0: it ends on the open prompt.
const std::string page_a = start_a + "\n" + transcript({prompt + "10\n", mean_line("3.7"), prompt});
const std::string page_b = start_b + "\n" + transcript({prompt + "10\n", mean_line("2.9"), prompt});
const std::string padded_line_ends = [] {
  std::string padded;
  for (const char c : start_a + "\n" + transcript({prompt + "10 100\n", mean_line("3.7"), prompt, mean_line("3.41")})) {
    padded += c == '\n' ? std::string(7, ' ') + "\r\n" : std::string(1, c);
  }
  return padded;
}();

// clang-format off
const pasted_case pasted_cases[] = {
    {"page_texts_pasted_one_at_a_time", page_a + page_b + page_a, {start_a, start_b, start_a}, {1, 1, 1}, 1, {}},
    {"blanks_around_every_line", " " + padded_line_ends, {start_a}, {2}, 0, {}},
    {"nul_in_the_paste", std::string("Ann\n10 3.7\n1\0 3.6\n100 3.41\n", 27), {"Ann"}, {2}, 0, {"not a result"}},
    {"console_transcript_without_its_title", prompt + "10 100\n" + mean_line("3.7") + prompt + mean_line("3.41"),
     {prompt + "10 100"}, {2}, 0, {}},
    {"untitled_transcripts_after_a_quit", prompt + "10 0\n" + mean_line("3.7") + prompt + prompt + "20\n" + mean_line("3.1"),
     {prompt + "10 0", prompt + prompt + "20"}, {1, 1}, 0, {}},
    {"indented_typo_is_no_name", "Ann\n10 3.7\n  1O 3.7\n100 3.41\n", {"Ann"}, {2}, 0, {"not a result"}},
    {"impossible_means", "Ann\n1 3.5\n10 3.55\n100 3.555\n10 3.5\n100 3.55\n", {"Ann"}, {2}, 0,
     {"a mean that 1 roll cannot give", "a mean that 10 rolls cannot give", "a mean that 100 rolls cannot give"}},
    {"name_starting_with_a_digit", "2nd row Maria\n10 3.7\n", {"2nd row Maria"}, {1}, 0, {}},
    {"name_ending_with_a_number", "Student 1\n10 3.7\n", {"Student 1"}, {1}, 0, {}},
    {"name_before_an_untitled_transcript", "Ann\n" + prompt + "10\n" + mean_line("3.7"), {"Ann"}, {1}, 0, {}},
    {"size_zero_is_no_record", "Ann\n10 3.5\n0 3.5\n", {"Ann"}, {1}, 0, {"not a result"}},
    {"mean_without_its_size", transcript({prompt, mean_line("3.5")}), {introduction.substr(0, introduction.find('\n'))}, {0}, 0,
     {"a mean without its size"}},
    // Six significant digits print ten totals of a million rolls alike: two such equal means are no proof.
    {"large_samples_printed_alike", "A\n1000000 3.5\n1000000 3.5\nB\n1000000 3.5\n1000000 3.5\n", {"A", "B"}, {2, 2}, 0, {}},
    {"a_date_that_does_not_exist_starts_nothing", "Run started 2026-02-31 10:00:00 +01:00\n" + transcript({prompt + "10\n", mean_line("3.7")}),
     {"Run started 2026-02-31 10:00:00 +01:00"}, {1}, 0, {}},
    {"faces_runs_that_agree_by_chance", "A\n1 3\n1 5\n1 2\n1 6\n1 6\nB\n1 3\n1 5\n1 2\n1 6\n1 6\n", {"A", "B"}, {5, 5}, 0, {}},
    {"a_run_pasted_twice", page_a + "\n" + page_a, {start_a, start_a}, {1, 1}, 1, {}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(class_tally, pasted_test, testing::ValuesIn(pasted_cases),
                         [](const testing::TestParamInfo<pasted_case>& row) { return std::string(row.param.name); });
